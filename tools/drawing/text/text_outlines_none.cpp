// Lettering for builds without fonts (the fuzz targets): text sets no outlines and takes no
// room. The tool itself is built with text_outlines.cpp.
#include "drawing/text/text_outlines.h"

namespace txorb::drawing {

SetText SetTextOutlines(std::string_view, const FontChoice&) { return {}; }

}  // namespace txorb::drawing
