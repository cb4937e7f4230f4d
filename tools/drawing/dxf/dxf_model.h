// What a DXF file holds, as the reader collects it before placing its blocks: layers, text
// styles, blocks and the model space's shapes, each shape in its own block's coordinates with
// y pointing up, its colour still as the file gives it (by block, by layer or its own).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "drawing/geometry/geometry.h"
#include "drawing/model/colour.h"
#include "drawing/model/drawing.h"

namespace txorb::drawing {

inline constexpr int kDxfByBlock = 0;
inline constexpr int kDxfByLayer = 256;

struct DxfLayer {
    Colour colour;
    bool hidden = false;  // off or frozen: nothing on it is marked
};

struct DxfTextStyle {
    std::string font;  // the style's font file or family, as written
    double widthFactor = 1.0;
    double obliqueDegrees = 0.0;
    bool bold = false, italic = false;
};

struct DxfShape {
    enum class Kind : uint8_t {
        kOpen,         // a stroke
        kClosed,       // a closed contour, a stroke a fill layer may fill
        kFill,         // a filled area (SOLID, HATCH, lettering)
        kInsert,       // a block placed once or more
        kUnsupported,  // an entity the reader does not draw; `name` says which
    };
    Kind kind = Kind::kOpen;
    std::vector<Subpath> outline;
    FillRule rule = FillRule::kNonZero;
    std::string layer;  // upper case, as layer names are compared
    int aci = kDxfByLayer;
    int trueColour = -1;  // 0xRRGGBB when the file gives one
    uint32_t line = 0;
    std::string name;                // kInsert: the block (upper case); kUnsupported: the kind
    std::vector<Affine> placements;  // kInsert: block coordinates to this shape's coordinates
};

struct DxfBlock {
    Point base;
    std::vector<DxfShape> shapes;
};

struct DxfModel {
    std::map<std::string, DxfLayer> layers;  // by upper-case name
    std::map<std::string, DxfTextStyle> styles;
    std::map<std::string, DxfBlock> blocks;
    std::vector<DxfShape> entities;  // the model space
    int insunits = 0;                // $INSUNITS
    std::vector<std::string> warnings;
    std::map<std::string, size_t> notMarked;
};

}  // namespace txorb::drawing
