// Where `txorb mark` and `txorb preview` write, and the rule that they never write over the
// drawing they read.
#pragma once

#include <string>
#include <vector>

namespace txorb::cli {

// The picture prefix for a drawing: "dir/name.svg" -> "dir/name.marked" (".preview" for a
// preview); an --out ending in .svg or .png loses the extension.
std::string PicturePrefix(const std::string& drawing, const std::string& out,
                          const char* suffix = ".marked");

// The first of outputs (empty ones skipped) that names the input file itself (also through
// "..", a symbolic or a hard link), or "".
std::string OutputOverwritesInput(const std::string& input,
                                  const std::vector<std::string>& outputs);

}  // namespace txorb::cli
