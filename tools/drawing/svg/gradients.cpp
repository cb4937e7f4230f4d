// Gradient fills: painted as a grey picture of the shape's box, cut to the shape (linear and
// radial, their units, transform, spread and stops shared through href).
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "drawing/svg/svg_document.h"
#include "drawing/svg/values.h"

namespace txorb::drawing::svg {
namespace {

// The longer side of the picture a gradient fill is painted into; the picture pipeline
// samples it again at the raster's own resolution, and a gradient has no finer detail.
constexpr double kGradientPixels = 512;
// A small shape gets fewer: as many as it would have in a picture of the whole page this many
// pixels across (at least kFewestGradientPixels), so that many small shapes stay cheap.
constexpr double kPagePixels = 2048;
constexpr double kFewestGradientPixels = 16;

// A number, or a percentage as a fraction.
bool Fraction(const std::string& text, double* out) {
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(v)) return false;
    if (*end == '%') v /= 100.0, ++end;
    while (std::isspace(static_cast<unsigned char>(*end))) ++end;
    if (*end != '\0') return false;
    *out = v;
    return true;
}

// One stop as grey over white paper: 0 black, 255 white.
struct GreyStop {
    double offset = 0.0;
    double grey = 0.0;
};

std::vector<GreyStop> GreyStops(const std::vector<GradientStop>& stops, double opacity) {
    std::vector<GreyStop> out;
    for (const GradientStop& s : stops) {
        const double ink = Ink(s.colour) * s.alpha * opacity;
        out.push_back({s.offset, 255.0 * (1.0 - ink)});
    }
    return out;
}

// Where t falls after the spread method: pad holds the ends, repeat starts again, reflect
// runs back.
double Spread(double t, const std::string& method) {
    if (method == "repeat") return t - std::floor(t);
    if (method == "reflect") {
        const double m = std::fmod(std::fabs(t), 2.0);
        return m > 1.0 ? 2.0 - m : m;
    }
    return std::clamp(t, 0.0, 1.0);
}

double GreyAt(const std::vector<GreyStop>& stops, double t) {
    if (t <= stops.front().offset) return stops.front().grey;
    for (size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].offset) {
            const double span = stops[i].offset - stops[i - 1].offset;
            const double k = span > 0 ? (t - stops[i - 1].offset) / span : 1.0;
            return stops[i - 1].grey + k * (stops[i].grey - stops[i - 1].grey);
        }
    }
    return stops.back().grey;
}

bool Invert(const Affine& m, Affine* out) {
    const double det = m.a * m.d - m.b * m.c;
    if (!(std::fabs(det) > 1e-300)) return false;
    *out = {m.d / det,
            -m.b / det,
            -m.c / det,
            m.a / det,
            (m.c * m.f - m.d * m.e) / det,
            (m.b * m.e - m.a * m.f) / det};
    return true;
}

// Where along a radial gradient a point lies: the t whose circle, moving from the focus (radius
// fr) to the centre (radius r), passes through the point.
double RadialT(Point p, Point focus, Point centre, double fr, double r) {
    const double dx = centre.x - focus.x, dy = centre.y - focus.y, dr = r - fr;
    const double qx = p.x - focus.x, qy = p.y - focus.y;
    const double a = dx * dx + dy * dy - dr * dr;
    const double b = qx * dx + qy * dy + fr * dr;
    const double c = qx * qx + qy * qy - fr * fr;
    if (std::fabs(a) < 1e-12) return b != 0 ? c / (2.0 * b) : 0.0;
    const double disc = b * b - a * c;
    if (disc < 0) return 0.0;
    const double root = std::sqrt(disc);
    return std::max((b + root) / a, (b - root) / a);
}

// A box: the smallest one around some points.
struct Box {
    double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
    void Add(Point p) {
        x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
    }
    bool Empty() const { return !(x1 > x0) || !(y1 > y0); }
};

// What decides the grey of a point of a gradient, in the gradient's own coordinates.
struct GradientShape {
    bool radial = false;
    Point p1, p2;  // linear: from the first stop to the last
    Point centre, focus;
    double r = 0.0, fr = 0.0;
    std::string spread;
    std::vector<GreyStop> stops;
    Affine fromRoot;  // root coordinates to the gradient's

    double T(Point g) const {
        if (radial) return r > 0 ? RadialT(g, focus, centre, fr, r) : 1.0;
        const double dx = p2.x - p1.x, dy = p2.y - p1.y, len2 = dx * dx + dy * dy;
        // A gradient of no length paints its last stop.
        return len2 > 0 ? ((g.x - p1.x) * dx + (g.y - p1.y) * dy) / len2 : 1.0;
    }
};

// An attribute of the gradient, or of the one its href names when it has none.
using GradientAttribute = std::function<pugi::xml_attribute(const char*)>;

// The coordinates of the gradient: fractions of the box, or lengths with % of the viewport.
void ReadGradientShape(const GradientAttribute& attribute, bool boxUnits, double vw, double vh,
                       bool radial, GradientShape* g) {
    auto coordinate = [&](const char* name, const char* fallback, double viewport) {
        const pugi::xml_attribute a = attribute(name);
        const std::string text = a ? a.value() : fallback;
        double v = 0;
        if (!text.empty() && text.back() == '%') {
            if (!Fraction(text, &v)) return 0.0;
            return boxUnits ? v : v * viewport;
        }
        std::string why;
        if (boxUnits) return Fraction(text, &v) ? v : 0.0;
        return ParseLength(text, &v, &why) ? v : 0.0;
    };
    const double vd = std::sqrt((vw * vw + vh * vh) / 2.0);
    g->radial = radial;
    g->p1 = {coordinate("x1", "0%", vw), coordinate("y1", "0%", vh)};
    g->p2 = {coordinate("x2", "100%", vw), coordinate("y2", "0%", vh)};
    g->centre = {coordinate("cx", "50%", vw), coordinate("cy", "50%", vh)};
    g->r = coordinate("r", "50%", vd);
    g->fr = coordinate("fr", "0%", vd);
    g->focus = {attribute("fx") ? coordinate("fx", "", vw) : g->centre.x,
                attribute("fy") ? coordinate("fy", "", vh) : g->centre.y};
    g->spread = attribute("spreadMethod").as_string("pad");
}

// The gradient over the picture's pixels, each at its centre.
void PaintGradient(const GradientShape& g, Picture* placed) {
    GreyImage& image = placed->image;
    image.grey.resize(static_cast<size_t>(image.width) * image.height);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Point at = g.fromRoot.Apply(placed->toDrawing.Apply({x + 0.5, y + 0.5}));
            image.grey[static_cast<size_t>(y) * image.width + x] = static_cast<uint8_t>(
                std::clamp(std::lround(GreyAt(g.stops, Spread(g.T(at), g.spread))), 0L, 255L));
        }
    }
    placed->visibleX1 = image.width;
    placed->visibleY1 = image.height;
}

// The gradient painted over the box at `scale` pixels a unit.
Picture BoxPicture(const GradientShape& shape, const Box& box, double scale) {
    Picture placed;
    placed.image.width = std::max(1, static_cast<int>(std::ceil((box.x1 - box.x0) * scale)));
    placed.image.height = std::max(1, static_cast<int>(std::ceil((box.y1 - box.y0) * scale)));
    placed.toDrawing = {1.0 / scale, 0, 0, 1.0 / scale, box.x0, box.y0};
    PaintGradient(shape, &placed);
    return placed;
}

}  // namespace

std::vector<GradientStop> ReadGradientStops(const pugi::xml_node& gradient) {
    std::vector<GradientStop> out;
    double last = 0.0;
    for (const pugi::xml_node& stop : gradient.children("stop")) {
        GradientStop s;
        std::string colour = stop.attribute("stop-color").as_string("black");
        std::string opacityText = stop.attribute("stop-opacity").as_string("1");
        for (const auto& [name, value] : ParseDeclarations(stop.attribute("style").as_string())) {
            if (name == "stop-color") colour = value;
            if (name == "stop-opacity") opacityText = value;
        }
        double a = 1.0;
        if (!ParseColourAlpha(colour, &s.colour, &a)) s.colour = {}, a = 1.0;
        double opacity = 1.0;
        if (!Fraction(opacityText, &opacity)) opacity = 1.0;
        s.alpha = a * std::clamp(opacity, 0.0, 1.0);
        double offset = 0.0;
        if (!Fraction(stop.attribute("offset").as_string("0"), &offset)) offset = 0.0;
        // Offsets never go back: a smaller one is taken as the one before it.
        s.offset = last = std::max(last, std::clamp(offset, 0.0, 1.0));
        out.push_back(s);
    }
    return out;
}

// Pixels for a picture of a box `side` units across: a small shape on a page gets fewer.
double SvgDocument::GradientPixels(double side) const {
    if (!drawing_.page) return kGradientPixels;
    const PageBox& page = *drawing_.page;
    if (!(page.width > 0) || !(page.height > 0)) return kGradientPixels;
    return std::clamp(kPagePixels * side / std::max(page.width, page.height), kFewestGradientPixels,
                      kGradientPixels);
}

// A gradient fill is painted as a grey picture of the shape's box, cut to the shape, so that
// its pale parts are marked lightly or not at all, as they look.
bool SvgDocument::GradientPicture(const std::vector<Subpath>& subpaths, const DrawContext& ctx) {
    const pugi::xml_node* gradient = Find(ctx.style.fill.server);
    if (gradient == nullptr) return false;
    auto referenced = [&](const pugi::xml_node& n) {
        const char* href = n.attribute("href").as_string(n.attribute("xlink:href").as_string());
        const pugi::xml_node* next = href[0] == '#' ? Find(href + 1) : nullptr;
        return next ? *next : pugi::xml_node();
    };
    const GradientAttribute attribute = [&](const char* name) {
        pugi::xml_node n = *gradient;
        for (int hops = 0; n && hops < kMaxUseDepth; ++hops, n = referenced(n)) {
            if (const pugi::xml_attribute a = n.attribute(name)) return a;
        }
        return pugi::xml_attribute();
    };
    pugi::xml_node withStops = *gradient;
    for (int hops = 0; hops < kMaxUseDepth && withStops && !withStops.child("stop"); ++hops) {
        withStops = referenced(withStops);
    }
    if (!withStops) return false;
    const double opacity = std::clamp(ctx.style.fillOpacity, 0.0, 1.0);
    const std::vector<GradientStop> read = ReadGradientStops(withStops);
    // A picture hides what is below it: a gradient that lets it show through anywhere stays a
    // fill of its mean colour.
    const bool opaque = std::all_of(read.begin(), read.end(), [&](const GradientStop& s) {
        return s.alpha * opacity >= kCoveringOpacity;
    });
    if (read.empty() || !opaque) return false;

    Box user, root;  // the shape's own box, and in root coordinates
    for (const Subpath& p : subpaths) {
        for (const Point q : Flatten(p, 1e-3)) user.Add(q), root.Add(ctx.m.Apply(q));
    }
    const bool boxUnits = std::strcmp(attribute("gradientUnits").as_string("objectBoundingBox"),
                                      "userSpaceOnUse") != 0;
    if (root.Empty() || (boxUnits && user.Empty())) return false;
    Affine toUser =
        boxUnits ? Affine{user.x1 - user.x0, 0, 0, user.y1 - user.y0, user.x0, user.y0} : Affine{};
    if (const pugi::xml_attribute t = attribute("gradientTransform")) {
        Affine local;
        std::string why;
        if (ParseTransform(t.value(), &local, &why)) toUser = toUser * local;
    }
    GradientShape shape;
    if (!Invert(ctx.m * toUser, &shape.fromRoot)) return false;
    ReadGradientShape(attribute, boxUnits, ctx.viewportWidth, ctx.viewportHeight,
                      LocalName(gradient->name()) == "radialGradient", &shape);
    shape.stops = GreyStops(read, opacity);

    const double side = std::max(root.x1 - root.x0, root.y1 - root.y0);
    Picture placed = BoxPicture(shape, root, GradientPixels(side) / side);
    DrawContext inside = ctx;
    inside.m = Affine{};
    auto region = std::make_shared<ClipRegion>();
    region->parts.push_back({subpaths, ctx.style.fillRule});
    for (Subpath& p : region->parts.back().subpaths) Transform(ctx.m, &p);
    inside.clips.push_back(std::move(region));
    AddPicture(std::move(placed), inside);
    return true;
}

}  // namespace txorb::drawing::svg
