#include "drawing/dxf/read_dxf.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "drawing/dxf/aci_colours.h"
#include "drawing/dxf/dxf_parse.h"

namespace txorb::drawing {
namespace {

constexpr size_t kMaxDxfFileBytes = size_t{1} << 30;

// Drawing units per millimetre for each $INSUNITS value, 0..20 (0, unitless, as millimetres).
constexpr std::array<double, 21> kUnitsPerMm = {
    1.0,                       // unitless
    1.0 / 25.4,                // inches
    1.0 / 304.8,               // feet
    1.0 / 1609344.0,           // miles
    1.0,                       // millimetres
    0.1,                       // centimetres
    0.001,                     // metres
    1e-6,                      // kilometres
    1.0 / 25.4e-6,             // microinches
    1.0 / 0.0254,              // mils
    1.0 / 914.4,               // yards
    1e7,                       // angstroms
    1e6,                       // nanometres
    1e3,                       // microns
    0.01,                      // decimetres
    1e-4,                      // decametres
    1e-5,                      // hectometres
    1e-12,                     // gigametres
    1.0 / 1.495978707e14,      // astronomical units
    1.0 / 9.4607304725808e18,  // light years
    1.0 / 3.0856775814914e19,  // parsecs
};

// Where an item sits when its entity is placed through blocks: the layer and colour that
// entities on layer 0 and of colour BYBLOCK take from the INSERT that placed them.
struct Inherited {
    std::string layer = "0";
    Colour colour;  // black at the top: BYBLOCK outside any block is the index 7
};

// The exact box of a subpath: its points and the turning points of its cubic pieces.
void Grow(const Subpath& path, double box[4]) {
    auto add = [box](Point p) {
        box[0] = std::min(box[0], p.x);
        box[1] = std::min(box[1], p.y);
        box[2] = std::max(box[2], p.x);
        box[3] = std::max(box[3], p.y);
    };
    add(path.start);
    Point from = path.start;
    for (const Segment& s : path.segments) {
        add(s.end);
        if (s.cubic) {
            auto extremes = [&](double p0, double p1, double p2, double p3, double out[2]) {
                const double a = -p0 + 3 * p1 - 3 * p2 + p3, b = 2 * (p0 - 2 * p1 + p2),
                             c = p1 - p0;
                int n = 0;
                if (std::fabs(a) < 1e-12) {
                    if (std::fabs(b) > 1e-12) out[n++] = -c / b;
                } else if (const double d = b * b - 4 * a * c; d >= 0) {
                    out[n++] = (-b + std::sqrt(d)) / (2 * a);
                    out[n++] = (-b - std::sqrt(d)) / (2 * a);
                }
                return n;
            };
            double ts[4];
            const int nx = extremes(from.x, s.c1.x, s.c2.x, s.end.x, ts);
            const int ny = extremes(from.y, s.c1.y, s.c2.y, s.end.y, ts + nx);
            for (int i = 0; i < nx + ny; ++i) {
                const double t = ts[i], u = 1 - t;
                if (t <= 0 || t >= 1) continue;
                add(from * (u * u * u) + s.c1 * (3 * u * u * t) + s.c2 * (3 * u * t * t) +
                    s.end * (t * t * t));
            }
        }
        from = s.end;
    }
}

class Placer {
public:
    Placer(const DxfModel& model, const std::string& name, Drawing* out)
        : model_(model), name_(name), out_(out) {}

    // Places `shapes` (of a block, or the model space at depth 0) through `toDrawing`.
    bool Place(const std::vector<DxfShape>& shapes, const Affine& toDrawing, const Inherited& from,
               int depth);
    const std::string& Error() const { return error_; }

private:
    bool PlaceInsert(const DxfShape& insert, const Affine& toDrawing, const Inherited& here,
                     int depth);
    void AddItem(const DxfShape& shape, const Affine& toDrawing, const Colour& colour);
    bool Fail(uint32_t line, const std::string& what) {
        error_ = name_ + ":" + std::to_string(line) + ": " + what;
        return false;
    }

    const DxfModel& model_;
    const std::string& name_;
    Drawing* out_;
    std::vector<std::string> placing_;  // the blocks being placed, outermost first
    size_t segments_ = 0;
    std::string error_;
};

bool Placer::Place(const std::vector<DxfShape>& shapes, const Affine& toDrawing,
                   const Inherited& from, int depth) {
    for (const DxfShape& shape : shapes) {
        if (shape.kind == DxfShape::Kind::kUnsupported) {
            ++out_->notMarked[shape.name];
            continue;
        }
        Inherited here;
        here.layer = depth > 0 && shape.layer == "0" ? from.layer : shape.layer;
        const auto layer = model_.layers.find(here.layer);
        // DEFPOINTS holds what CAD programs never print (the points dimensions measure).
        if ((layer != model_.layers.end() && layer->second.hidden) || here.layer == "DEFPOINTS") {
            ++out_->notMarked["entities on layers that are off, frozen or not printed"];
            continue;
        }
        if (shape.trueColour >= 0) {
            here.colour = {static_cast<uint8_t>(shape.trueColour >> 16 & 0xFF),
                           static_cast<uint8_t>(shape.trueColour >> 8 & 0xFF),
                           static_cast<uint8_t>(shape.trueColour & 0xFF)};
        } else if (shape.aci == kDxfByBlock) {
            here.colour = from.colour;
        } else if (shape.aci == kDxfByLayer) {
            here.colour = layer != model_.layers.end() ? layer->second.colour : AciColour(7);
        } else {
            here.colour = AciColour(shape.aci);
        }
        if (shape.kind == DxfShape::Kind::kInsert) {
            if (!PlaceInsert(shape, toDrawing, here, depth)) return false;
            continue;
        }
        for (const Subpath& path : shape.outline) segments_ += path.segments.size() + 1;
        if (segments_ > kMaxDxfSegments || out_->items.size() >= kMaxDxfItems) {
            return Fail(shape.line,
                        "more than 1 million items or 4 million segments once its "
                        "blocks are placed");
        }
        AddItem(shape, toDrawing, here.colour);
    }
    return true;
}

bool Placer::PlaceInsert(const DxfShape& insert, const Affine& toDrawing, const Inherited& here,
                         int depth) {
    const auto block = model_.blocks.find(insert.name);
    if (block == model_.blocks.end()) {
        out_->warnings.push_back(name_ + ":" + std::to_string(insert.line) +
                                 ": INSERT: no block '" + insert.name + "'; nothing placed");
        ++out_->notMarked["INSERTs of missing blocks"];
        return true;
    }
    if (std::find(placing_.begin(), placing_.end(), insert.name) != placing_.end()) {
        return Fail(insert.line, "INSERT: block '" + insert.name + "' is placed inside itself");
    }
    if (depth >= kMaxDxfBlockDepth) {
        return Fail(insert.line, "INSERT: blocks nested more than 16 deep");
    }
    placing_.push_back(insert.name);
    const Point base = block->second.base;
    for (const Affine& placement : insert.placements) {
        const Affine m = toDrawing * placement * Affine::Translate(-base.x, -base.y);
        if (!Place(block->second.shapes, m, here, depth + 1)) return false;
    }
    placing_.pop_back();
    return true;
}

void Placer::AddItem(const DxfShape& shape, const Affine& toDrawing, const Colour& colour) {
    Item item;
    item.outline = shape.outline;
    for (Subpath& path : item.outline) Transform(toDrawing, &path);
    item.line = shape.line;
    if (shape.kind == DxfShape::Kind::kFill) {
        item.fill = Fill{shape.rule, colour, 1.0, -1};
    } else {
        Stroke stroke;
        stroke.width = 0.0;  // a hairline
        stroke.colour = colour;
        stroke.cap = LineCap::kRound;
        stroke.join = LineJoin::kRound;
        item.stroke = stroke;
        item.fillableContour = shape.kind == DxfShape::Kind::kClosed;
    }
    out_->items.push_back(std::move(item));
}

}  // namespace

bool ReadDxfText(std::string_view text, const std::string& name, Drawing* out, std::string* error) {
    DxfModel model;
    std::string what;
    if (!ParseDxf(text, &model, &what)) {
        *error = name + ":" + what;
        return false;
    }
    Drawing drawing;
    // Colours in CAD name pens and layers: each marks at its layer's power, however pale.
    drawing.colourIsTone = false;
    Placer placer(model, name, &drawing);
    if (!placer.Place(model.entities, Affine::Scale(1, -1), Inherited{}, 0)) {
        *error = placer.Error();
        return false;
    }
    if (model.insunits >= 0 && model.insunits < static_cast<int>(kUnitsPerMm.size())) {
        drawing.unitsPerMm = kUnitsPerMm[model.insunits];
    } else {
        drawing.unitsPerMm = 1.0;
        drawing.warnings.push_back(name + ": $INSUNITS " + std::to_string(model.insunits) +
                                   " is no unit this reader knows; taken as millimetres");
    }
    for (const std::string& warning : model.warnings)
        drawing.warnings.push_back(name + ":" + warning);
    for (const auto& [kind, count] : model.notMarked) drawing.notMarked[kind] += count;
    double box[4] = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                     -std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()};
    for (const Item& item : drawing.items) {
        for (const Subpath& path : item.outline) Grow(path, box);
    }
    if (!drawing.items.empty())
        drawing.page = PageBox{box[0], box[1], box[2] - box[0], box[3] - box[1]};
    *out = std::move(drawing);
    return true;
}

bool ReadDxfFile(const std::string& path, Drawing* out, std::string* error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        *error = path + ": a folder, not a DXF file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot be opened";
        return false;
    }
    in.seekg(0, std::ios::end);
    const auto size = static_cast<size_t>(std::max<std::streamoff>(in.tellg(), 0));
    if (size > kMaxDxfFileBytes) {
        *error = path + ": larger than 1 GiB";
        return false;
    }
    in.seekg(0);
    std::string text(size, '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(size))) {
        *error = path + ": cannot be read";
        return false;
    }
    return ReadDxfText(text, path, out, error);
}

}  // namespace txorb::drawing
