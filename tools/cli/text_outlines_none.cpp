// Lettering for builds without fonts (the fuzz targets): text sets no outlines and takes no
// room. The tool itself is built with text_outlines.cpp.
#include "cli/text_outlines.h"

namespace txorb::cli {

SetText SetTextOutlines(std::string_view, const FontChoice&) { return {}; }

}  // namespace txorb::cli
