// The virtual card's control socket from the tool's side: one line sent, one line of answer
// read ("ok ..." or "error ..."), for what only the virtual card does (a picture per part).
#pragma once

#include <string>

namespace txorb::cli {

// How long an answer may take: writing a picture is the slowest command.
inline constexpr int kSimControlTimeoutMs = 30000;

// Sends `command` to the virtual card listening at `socketPath` and reads its answer. False
// with the reason in *error when the card cannot be reached or does not answer in time; an
// answer of "error ..." is true, with the answer in *reply.
bool SimControl(const std::string& socketPath, const std::string& command, std::string* reply,
                std::string* error);

// "picture PREFIX": the card writes PREFIX.png and PREFIX.svg of what it marked since the last
// picture and starts a new one. False with "PATH: reason" (or why the card did not answer).
bool SimPicture(const std::string& socketPath, const std::string& prefix, std::string* error);

}  // namespace txorb::cli
