// The library's own string table: the error texts, one string per id. On Windows these are
// string resources of the DLL; elsewhere the table is compiled in. Both are made from the one
// list of codes in txorb.h.
#pragma once

namespace txorb::platform {

// The text of error code c has id kErrorTextIdBase + c.
inline constexpr unsigned kErrorTextIdBase = 10000;

// Copies the string with this id into buffer, cut to size - 1 characters and always
// terminated. Returns the number of characters copied, 0 when there is no such string (or no
// room for one character): the buffer then holds an empty text when size is at least 1.
int LoadStringResource(unsigned id, char* buffer, int size);

}  // namespace txorb::platform
