// A short name for what a part was sent: the hash of its ListProgram, stored in the journal so
// that two parts marked alike show the same hash and a changed job shows a new one.
#pragma once

#include <string>

#include "drawing/program/list_program.h"

namespace txorb::cli {

// 64-bit FNV-1a over every command, bitmap line and delay set of `program`, in order, each
// number as little-endian bytes; 16 lower-case hex digits. The same program gives the same
// hash on every machine and in every run.
std::string ListProgramHash(const drawing::ListProgram& program);

}  // namespace txorb::cli
