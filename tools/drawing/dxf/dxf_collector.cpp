#include "drawing/dxf/dxf_collector.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <numbers>

#include "drawing/dxf/aci_colours.h"
#include "drawing/dxf/dxf_hatch.h"

namespace txorb::drawing {
namespace {

constexpr double kTurn = 2.0 * std::numbers::pi;
constexpr int kMaxInsertCells = 10000;  // columns times rows of one INSERT

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

Colour FromTrueColour(int rgb) {
    return {static_cast<uint8_t>((rgb >> 16) & 0xFF), static_cast<uint8_t>((rgb >> 8) & 0xFF),
            static_cast<uint8_t>(rgb & 0xFF)};
}

Subpath Circle(Point c, double r) {
    Subpath path;
    path.start = {c.x + r, c.y};
    AppendEllipseArc(&path, c, {r, 0}, {0, r}, 0.0, kTurn);
    CloseExactly(&path);
    return path;
}

}  // namespace

std::vector<DxfShape>& DxfCollector::Target() {
    return inBlock_ ? model_->blocks[block_].shapes : model_->entities;
}

bool DxfCollector::Fail(uint32_t line, const char* kind, const std::string& what) {
    if (error_.empty()) error_ = std::to_string(line) + ": " + kind + ": " + what;
    return false;
}

void DxfCollector::AddUnsupported(std::string kind, uint32_t line) {
    DxfShape shape;
    shape.kind = DxfShape::Kind::kUnsupported;
    shape.name = std::move(kind);
    shape.line = line;
    Target().push_back(std::move(shape));
}

bool DxfCollector::Begin(DxfShape::Kind kind, DxfShape* shape) {
    FlushPending();
    const DL_Attributes a = getAttributes();
    if (a.isInPaperSpace()) {
        if (!inBlock_) ++model_->notMarked["entities in paper space"];
        return false;
    }
    const double* d = getExtrusion()->getDirection();
    if (std::fabs(d[0]) > 1e-9 || std::fabs(d[1]) > 1e-9 || d[2] == 0.0) {
        AddUnsupported("entities out of the drawing's plane", line_);
        return false;
    }
    mirrored_ = d[2] < 0;
    shape->kind = kind;
    shape->layer = Upper(a.getLayer());
    shape->aci = a.getColor();
    shape->trueColour = a.getColor24();
    shape->line = line_;
    return true;
}

void DxfCollector::Emit(DxfShape shape, bool mirrored) {
    if (mirrored) {
        for (Subpath& path : shape.outline) Transform(Affine::Scale(-1, 1), &path);
        for (Affine& placement : shape.placements) placement = Affine::Scale(-1, 1) * placement;
    }
    Target().push_back(std::move(shape));
}

void DxfCollector::Finish() { FlushPending(); }

void DxfCollector::setVariableInt(const std::string& key, int value, int) {
    if (key == "$INSUNITS") model_->insunits = value;
}

void DxfCollector::addLayer(const DL_LayerData& data) {
    const DL_Attributes a = getAttributes();
    DxfLayer layer;
    // A negative colour is how a layer is turned off; bit 1 of its flags freezes it.
    layer.hidden = a.getColor() < 0 || (data.flags & 1) != 0;
    layer.colour = a.getColor24() >= 0 ? FromTrueColour(a.getColor24()) : AciColour(a.getColor());
    model_->layers[Upper(data.name)] = layer;
}

void DxfCollector::addTextStyle(const DL_StyleData& data) {
    DxfTextStyle style;
    style.font = data.primaryFontFile;
    style.widthFactor = data.widthFactor > 0 ? data.widthFactor : 1.0;
    style.obliqueDegrees = data.obliqueAngle;
    style.bold = data.bold;
    style.italic = data.italic;
    model_->styles[Upper(data.name)] = style;
}

void DxfCollector::addBlock(const DL_BlockData& data) {
    FlushPending();
    block_ = Upper(data.name);
    inBlock_ = true;
    if (model_->blocks.count(block_) != 0) {
        model_->warnings.push_back(std::to_string(line_) + ": BLOCK: '" + data.name +
                                   "' is defined again; the later definition is used");
    }
    model_->blocks[block_] = DxfBlock{{data.bpx, data.bpy}, {}};
}

void DxfCollector::endBlock() {
    FlushPending();
    inBlock_ = false;
    block_.clear();
}

void DxfCollector::addLine(const DL_LineData& data) {
    DxfShape shape;
    if (!Begin(DxfShape::Kind::kOpen, &shape)) return;
    Subpath path;
    path.start = {data.x1, data.y1};
    path.LineTo({data.x2, data.y2});
    shape.outline.push_back(path);
    Emit(std::move(shape), false);
}

void DxfCollector::addArc(const DL_ArcData& data) {
    DxfShape shape;
    if (!Begin(DxfShape::Kind::kOpen, &shape)) return;
    if (!(data.radius > 0)) {
        Fail(line_, "ARC", "a radius of " + std::to_string(data.radius));
        return;
    }
    const double a0 = data.angle1 * std::numbers::pi / 180.0;
    const double a1 = a0 + TurnBetween(a0, data.angle2 * std::numbers::pi / 180.0);
    const Point c{data.cx, data.cy};
    const double r = data.radius;
    Subpath path;
    path.start = c + Point{r * std::cos(a0), r * std::sin(a0)};
    AppendEllipseArc(&path, c, {r, 0}, {0, r}, a0, a1);
    shape.outline.push_back(path);
    Emit(std::move(shape), Mirrored());
}

void DxfCollector::addCircle(const DL_CircleData& data) {
    DxfShape shape;
    if (!Begin(DxfShape::Kind::kClosed, &shape)) return;
    if (!(data.radius > 0)) {
        Fail(line_, "CIRCLE", "a radius of " + std::to_string(data.radius));
        return;
    }
    shape.outline.push_back(Circle({data.cx, data.cy}, data.radius));
    Emit(std::move(shape), Mirrored());
}

void DxfCollector::addEllipse(const DL_EllipseData& data) {
    DxfShape shape;
    if (!Begin(DxfShape::Kind::kOpen, &shape)) return;
    const Point m{data.mx, data.my};
    if (!(data.ratio > 0 && data.ratio <= 1) || (m.x == 0 && m.y == 0)) {
        Fail(line_, "ELLIPSE", "an axis of length 0 or a ratio out of 0..1");
        return;
    }
    // The minor axis is the major one turned a quarter about the plane's normal.
    const double z = getExtrusion()->getDirection()[2] < 0 ? -1.0 : 1.0;
    const Point n{-m.y * data.ratio * z, m.x * data.ratio * z};
    const double t0 = data.angle1;
    const double t1 = t0 + TurnBetween(t0, data.angle2);
    const Point c{data.cx, data.cy};
    Subpath path;
    path.start = c + m * std::cos(t0) + n * std::sin(t0);
    AppendEllipseArc(&path, c, m, n, t0, t1);
    if (std::fabs(t1 - t0 - kTurn) < 1e-9) {
        shape.kind = DxfShape::Kind::kClosed;
        CloseExactly(&path);
    }
    shape.outline.push_back(path);
    Emit(std::move(shape), false);
}

void DxfCollector::addPolyline(const DL_PolylineData& data) {
    Pending p(Pending::Kind::kPolyline);
    if (!Begin(DxfShape::Kind::kOpen, &p.shape)) {
        pending_ = Pending(Pending::Kind::kIgnored);
        return;
    }
    // Flags: 1 closed, 8 a 3D polyline (its points in the drawing's coordinates), 16 and 64
    // meshes, which are surfaces rather than lines.
    if ((data.flags & (16 | 64)) != 0) {
        AddUnsupported("POLYLINE (mesh)", line_);
        pending_ = Pending(Pending::Kind::kIgnored);
        return;
    }
    p.closed = (data.flags & 1) != 0;
    p.mirrored = (data.flags & 8) == 0 && Mirrored();
    pending_ = std::move(p);
}

void DxfCollector::addVertex(const DL_VertexData& data) {
    if (!pending_ || pending_->kind != Pending::Kind::kPolyline) return;
    pending_->points.push_back({data.x, data.y});
    pending_->bulges.push_back(data.bulge);
}

void DxfCollector::EmitPolyline(Pending& p) {
    std::vector<Point>& v = p.points;
    // A last vertex on the first closes the polyline as well as its flag does.
    if (v.size() > 2 && Distance(v.back(), v.front()) < 1e-12) {
        v.pop_back();
        p.closed = true;
    }
    if (v.size() < 2) return;
    Subpath path;
    path.start = v[0];
    for (size_t i = 1; i < v.size(); ++i) AppendBulge(&path, v[i], p.bulges[i - 1]);
    if (p.closed) {
        AppendBulge(&path, v[0], p.bulges[v.size() - 1]);
        CloseExactly(&path);
        p.shape.kind = DxfShape::Kind::kClosed;
    }
    p.shape.outline.push_back(std::move(path));
    Emit(std::move(p.shape), p.mirrored);
}

void DxfCollector::addSpline(const DL_SplineData& data) {
    Pending p(Pending::Kind::kSpline);
    if (!Begin(DxfShape::Kind::kOpen, &p.shape)) {
        pending_ = Pending(Pending::Kind::kIgnored);
        return;
    }
    p.spline.degree = static_cast<int>(std::min(data.degree, 1000u));
    p.spline.closed = (data.flags & 1) != 0;
    pending_ = std::move(p);
}

void DxfCollector::addControlPoint(const DL_ControlPointData& data) {
    if (!pending_ || pending_->kind != Pending::Kind::kSpline) return;
    pending_->spline.control.push_back({data.x, data.y});
    pending_->spline.weights.push_back(data.w);
}

void DxfCollector::addFitPoint(const DL_FitPointData& data) {
    if (pending_ && pending_->kind == Pending::Kind::kSpline) {
        pending_->spline.fit.push_back({data.x, data.y});
    }
}

void DxfCollector::addKnot(const DL_KnotData& data) {
    if (pending_ && pending_->kind == Pending::Kind::kSpline) {
        pending_->spline.knots.push_back(data.k);
    }
}

void DxfCollector::EmitSpline(Pending& p) {
    Subpath path;
    std::string what;
    if (!SplinePath(p.spline, &path, &what)) {
        Fail(p.shape.line, "SPLINE", what);
        return;
    }
    if (p.spline.closed || (path.segments.size() > 1 && Distance(path.End(), path.start) < 1e-9)) {
        CloseExactly(&path);
        p.shape.kind = DxfShape::Kind::kClosed;
    }
    p.shape.outline.push_back(std::move(path));
    Emit(std::move(p.shape), false);
}

void DxfCollector::addInsert(const DL_InsertData& data) {
    DxfShape shape;
    if (!Begin(DxfShape::Kind::kInsert, &shape)) return;
    const int cols = std::max(1, data.cols), rows = std::max(1, data.rows);
    if (static_cast<long>(cols) * rows > kMaxInsertCells) {
        Fail(line_, "INSERT",
             std::to_string(cols) + " x " + std::to_string(rows) +
                 " copies of a block (at most 10000)");
        return;
    }
    shape.name = Upper(data.name);
    const Affine place = Affine::Translate(data.ipx, data.ipy) * Affine::Rotate(data.angle);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            shape.placements.push_back(place * Affine::Translate(c * data.colSp, r * data.rowSp) *
                                       Affine::Scale(data.sx, data.sy));
        }
    }
    Emit(std::move(shape), Mirrored());
}

void DxfCollector::addSolid(const DL_SolidData& data) {
    DxfShape shape;
    if (!Begin(DxfShape::Kind::kFill, &shape)) return;
    // The corners come as 1, 2, 4, 3 around the outline: the third and fourth swap.
    Subpath path;
    path.start = {data.x[0], data.y[0]};
    path.LineTo({data.x[1], data.y[1]});
    path.LineTo({data.x[3], data.y[3]});
    path.LineTo({data.x[2], data.y[2]});
    path.Close();
    shape.outline.push_back(path);
    Emit(std::move(shape), Mirrored());
}

void DxfCollector::addTrace(const DL_TraceData& data) {
    DL_SolidData solid;
    for (int i = 0; i < 4; ++i) {
        solid.x[i] = data.x[i];
        solid.y[i] = data.y[i];
    }
    addSolid(solid);
}

void DxfCollector::EmitText(const DxfText& text, const std::string& style, bool ocs) {
    DxfShape shape;
    if (!Begin(DxfShape::Kind::kFill, &shape)) return;
    if (!(text.height > 0)) return;
    const auto found = model_->styles.find(Upper(style));
    shape.outline =
        DxfTextOutlines(text, found != model_->styles.end() ? found->second : DxfTextStyle{});
    if (!shape.outline.empty()) Emit(std::move(shape), ocs && Mirrored());
}

void DxfCollector::addText(const DL_TextData& data) {
    DxfText text;
    text.lines = {PlainText(data.text)};
    text.height = data.height;
    const auto style = model_->styles.find(Upper(data.style));
    text.widthFactor = data.xScaleFactor > 0 ? data.xScaleFactor : 1.0;
    text.obliqueDegrees = style != model_->styles.end() ? style->second.obliqueDegrees : 0.0;
    text.angle = data.angle;
    text.mirrorX = (data.textGenerationFlags & 2) != 0;
    text.mirrorY = (data.textGenerationFlags & 4) != 0;
    // Left on the baseline is placed at the first point; every other alignment at the second.
    const bool aligned = data.hJustification != 0 || data.vJustification != 0;
    const bool second = aligned && std::isfinite(data.apx) && std::isfinite(data.apy);
    text.anchor = second ? Point{data.apx, data.apy} : Point{data.ipx, data.ipy};
    constexpr double kAcross[6] = {0.0, 0.5, 1.0, 0.0, 0.5, 0.0};
    const int h = std::clamp(data.hJustification, 0, 5);
    text.across = kAcross[h];
    text.vertical = h == 4 ? DxfText::Vertical::kMiddle
                           : static_cast<DxfText::Vertical>(std::clamp(data.vJustification, 0, 3));
    if ((h == 3 || h == 5) && second) {  // aligned and fit: stretched from the first point
        text.anchor = {data.ipx, data.ipy};
        text.angle = std::atan2(data.apy - data.ipy, data.apx - data.ipx);
        DxfText probe = text;
        probe.angle = 0;
        double right = 0;
        for (const Subpath& path : DxfTextOutlines(
                 probe, style != model_->styles.end() ? style->second : DxfTextStyle{})) {
            for (const Point& p : Flatten(path, text.height / 100)) right = std::max(right, p.x);
        }
        const double length = Distance({data.ipx, data.ipy}, {data.apx, data.apy});
        if (right > data.ipx && length > 0) text.widthFactor *= length / (right - data.ipx);
    }
    EmitText(text, data.style, true);
}

void DxfCollector::addAttribute(const DL_AttributeData& data) { addText(data); }

void DxfCollector::addMTextChunk(const std::string& text) { mtextChunks_ += text; }

void DxfCollector::addMText(const DL_MTextData& data) {
    DxfText text;
    text.lines = MTextLines(mtextChunks_ + data.text);
    mtextChunks_.clear();
    text.height = data.height;
    text.anchor = {data.ipx, data.ipy};
    text.angle = data.dirx != 0 || data.diry != 0 ? std::atan2(data.diry, data.dirx) : data.angle;
    // Attachment 1..9: top, middle, bottom rows of left, centre, right.
    const int a = std::clamp(data.attachmentPoint, 1, 9) - 1;
    text.across = (a % 3) * 0.5;
    text.vertical = a / 3 == 0   ? DxfText::Vertical::kTop
                    : a / 3 == 1 ? DxfText::Vertical::kMiddle
                                 : DxfText::Vertical::kBottom;
    text.lineSpacing =
        5.0 / 3.0 * data.height * (data.lineSpacingFactor > 0 ? data.lineSpacingFactor : 1.0);
    const auto style = model_->styles.find(Upper(data.style));
    if (style != model_->styles.end()) text.widthFactor = style->second.widthFactor;
    EmitText(text, data.style, false);  // its points are the drawing's own
}

void DxfCollector::addHatch(const DL_HatchData& data) {
    Pending p(Pending::Kind::kHatch);
    if (!Begin(DxfShape::Kind::kFill, &p.shape)) {
        pending_ = Pending(Pending::Kind::kIgnored);
        return;
    }
    p.shape.rule = FillRule::kEvenOdd;  // islands inside a boundary stay free
    p.mirrored = Mirrored();
    if (!data.solid) ++model_->notMarked["HATCH patterns (filled solid)"];
    pending_ = std::move(p);
}

void DxfCollector::addHatchLoop(const DL_HatchLoopData&) {
    if (pending_ && pending_->kind == Pending::Kind::kHatch) pending_->loops.emplace_back();
}

void DxfCollector::addHatchEdge(const DL_HatchEdgeData& data) {
    if (pending_ && pending_->kind == Pending::Kind::kHatch && !pending_->loops.empty()) {
        pending_->loops.back().push_back(data);
    }
}

void DxfCollector::EmitHatch(Pending& p) {
    for (const auto& loop : p.loops) {
        Subpath path;
        if (!HatchLoop(loop, &path)) {
            Fail(p.shape.line, "HATCH", "a boundary edge without all its values");
            return;
        }
        if (!path.segments.empty()) p.shape.outline.push_back(std::move(path));
    }
    if (!p.shape.outline.empty()) Emit(std::move(p.shape), p.mirrored);
}

void DxfCollector::FlushPending() {
    if (!pending_) return;
    Pending p = std::move(*pending_);
    pending_.reset();
    switch (p.kind) {
        case Pending::Kind::kPolyline: EmitPolyline(p); break;
        case Pending::Kind::kSpline: EmitSpline(p); break;
        case Pending::Kind::kHatch: EmitHatch(p); break;
        case Pending::Kind::kIgnored: break;
    }
}

void DxfCollector::endEntity() { FlushPending(); }

void DxfCollector::endSequence() { FlushPending(); }

}  // namespace txorb::drawing
