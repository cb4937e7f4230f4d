// Reads what an SVG drawing paints: every path, line, polyline, polygon, rect, circle, ellipse,
// text and image, through nested groups, references and their transforms, into a Drawing in
// the coordinates of the root, each item with the paint a browser computes for it. Like a
// browser it draws what it can: an attribute it cannot read is a located warning and the
// element is drawn without it. The cascade and SVG's other rules stay inside svg/.
#pragma once

#include <string>
#include <string_view>

#include "drawing/model/read_result.h"

namespace txorb::drawing {

// `name` is what messages call the text; pictures it names are looked for in the current
// directory.
ReadResult ReadSvgText(std::string_view text, const std::string& name);
// Pictures the file names are looked for beside it.
ReadResult ReadSvgFile(const std::string& path);

}  // namespace txorb::drawing
