#include "renderer.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace txorb::sim {
namespace {

constexpr double kPaleDarkness = 0.15;  // what the laser would have marked had it been enabled
// Half a picture pixel more on either side of a bitmap row: an SVG viewer that smooths edges
// would otherwise show a pale seam between two rows.
constexpr double kRowOverlapPx = 1.0;

struct View {
    double minX, minY, scale, size;
    double X(double x) const { return (x - minX) * scale; }
    double Y(double y) const { return size - (y - minY) * scale; }  // y grows upwards
};

struct Bounds {
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    void Take(double x, double y) {
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
    }
};

View MakeView(const Picture& picture, const RenderOptions& options) {
    const double size = options.sizePx;
    View view{-32768.0, -32768.0, size / 65536.0, size};
    if (!options.fit || picture.Size() == 0) return view;
    Bounds b;
    for (const Move& m : picture.Moves()) {
        b.Take(m.x0, m.y0);
        b.Take(m.x1, m.y1);
    }
    for (const Picture::PlacedLine& placed : picture.Lines()) {
        b.Take(placed.line.x0, placed.line.y0);
        b.Take(placed.line.x1, placed.line.y1);
    }
    const double span = std::max({b.x1 - b.x0, b.y1 - b.y0, 16.0}) * 1.1;
    view.minX = (b.x0 + b.x1) / 2 - span / 2;
    view.minY = (b.y0 + b.y1) / 2 - span / 2;
    view.scale = size / span;
    return view;
}

void DrawMove(cairo_t* cr, const Move& m, const View& view) {
    static const double kDash[] = {3.0, 3.0};
    double r = 0, g = 0, b = 0;
    switch (m.kind) {
        case MoveKind::kJump:
            if (m.x0 == m.x1 && m.y0 == m.y1) break;
            cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
            cairo_set_line_width(cr, 0.5);
            cairo_set_dash(cr, kDash, 2, 0);
            cairo_move_to(cr, view.X(m.x0), view.Y(m.y0));
            cairo_line_to(cr, view.X(m.x1), view.Y(m.y1));
            cairo_stroke(cr);
            break;
        case MoveKind::kMark:
            PowerColour(m.power, &r, &g, &b);
            cairo_set_source_rgb(cr, r, g, b);
            cairo_set_line_width(cr, 1.5);
            cairo_set_dash(cr, nullptr, 0, 0);
            cairo_move_to(cr, view.X(m.x0), view.Y(m.y0));
            cairo_line_to(cr, view.X(m.x1), view.Y(m.y1));
            cairo_stroke(cr);
            break;
        case MoveKind::kDot:
            PowerColour(m.power, &r, &g, &b);
            cairo_set_source_rgb(cr, r, g, b);
            cairo_arc(cr, view.X(m.x0), view.Y(m.y0), 1.5, 0, 2 * M_PI);
            cairo_fill(cr);
            break;
    }
}

// The line as a one-row image, one image pixel per bitmap pixel: opaque grey where the
// pixel is marked, transparent where it is not.
cairo_surface_t* GreyRow(const PixelLine& line, double blackUs) {
    const int n = static_cast<int>(line.delaysUs.size());
    cairo_surface_t* row = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, n, 1);
    cairo_surface_flush(row);
    unsigned char* data = cairo_image_surface_get_data(row);
    if (data == nullptr) return row;
    for (int i = 0; i < n; ++i) {
        const uint16_t delay = line.delaysUs[static_cast<size_t>(i)];
        const double d = PixelDarkness(delay, line.power, blackUs);
        const auto grey = static_cast<uint32_t>(std::lround((1.0 - d) * 255.0));
        const uint32_t argb = delay == 0 ? 0 : 0xFF000000u | grey << 16 | grey << 8 | grey;
        std::memcpy(data + 4 * i, &argb, 4);
    }
    cairo_surface_mark_dirty(row);
    return row;
}

// Each pixel is a cell one pixel pitch long, centred on its place on the line, and at least
// one picture pixel wide across it (plus kRowOverlapPx), so that rows a pitch apart tile the
// image. Cells smaller
// than a picture pixel are averaged along the line; larger ones keep sharp edges. A marked
// cell is opaque, as an image's pixel is, so rows that overlap do not add up; an unmarked one
// leaves the picture as it was.
void DrawPixelLine(cairo_t* cr, const PixelLine& line, const View& view, double blackUs) {
    const size_t n = line.delaysUs.size();
    if (n == 0) return;
    const double px0 = view.X(line.x0), py0 = view.Y(line.y0);
    const double dx = view.X(line.x1) - px0, dy = view.Y(line.y1) - py0;
    const double length = std::hypot(dx, dy);
    const double pitch = n > 1 && length > 0 ? length / double(n - 1) : 1.0;
    cairo_surface_t* row = GreyRow(line, blackUs);
    cairo_pattern_t* pattern = cairo_pattern_create_for_surface(row);
    cairo_pattern_set_filter(pattern, pitch >= 1.0 ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_save(cr);
    cairo_translate(cr, px0, py0);
    if (length > 0) cairo_rotate(cr, std::atan2(dy, dx));
    cairo_scale(cr, pitch, std::max(pitch, 1.0) + kRowOverlapPx);
    cairo_translate(cr, -0.5, -0.5);
    cairo_set_source(cr, pattern);
    // Whole picture pixels only: a cell edge half across a picture pixel would leave a pale
    // seam between two rows.
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_rectangle(cr, 0, 0, double(n), 1.0);
    cairo_fill(cr);
    cairo_restore(cr);
    cairo_pattern_destroy(pattern);
    cairo_surface_destroy(row);
}

void Draw(cairo_t* cr, const Picture& picture, const View& view, const RenderOptions& options) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    const std::vector<Move>& moves = picture.Moves();
    const std::vector<Picture::PlacedLine>& lines = picture.Lines();
    size_t nextLine = 0;
    for (size_t i = 0; i <= moves.size(); ++i) {
        for (; nextLine < lines.size() && lines[nextLine].beforeMove <= i; ++nextLine) {
            DrawPixelLine(cr, lines[nextLine].line, view, options.pixelBlackUs);
        }
        if (i < moves.size()) DrawMove(cr, moves[i], view);
    }
}

}  // namespace

void PowerColour(double power, double* r, double* g, double* b) {
    if (!(power > 0)) {  // laser off or disabled: a pale trace of the path
        *r = *g = *b = 1.0 - kPaleDarkness;
        return;
    }
    const double p = std::min(power, 1.0);
    *r = p;
    *g = 0.15 * (1 - p);
    *b = 1 - p;
}

double PixelDarkness(uint16_t delayUs, double power, double blackUs) {
    if (delayUs == 0) return 0.0;
    if (!(power > 0)) return kPaleDarkness;  // laser disabled: a pale trace, as for marks
    return blackUs > 0 ? std::min(1.0, double(delayUs) / blackUs) : 1.0;
}

bool RenderPictures(const Picture& picture, const std::string& prefix, const RenderOptions& options,
                    std::string* error) {
    const View view = MakeView(picture, options);
    const std::string svgPath = prefix + ".svg";
    const std::string pngPath = prefix + ".png";

    cairo_surface_t* svg = cairo_svg_surface_create(svgPath.c_str(), view.size, view.size);
    cairo_t* cr = cairo_create(svg);
    Draw(cr, picture, view, options);
    cairo_destroy(cr);
    cairo_surface_finish(svg);
    const cairo_status_t svgStatus = cairo_surface_status(svg);
    cairo_surface_destroy(svg);
    if (svgStatus != CAIRO_STATUS_SUCCESS) {
        *error = svgPath + ": " + cairo_status_to_string(svgStatus);
        return false;
    }

    cairo_surface_t* png =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, options.sizePx, options.sizePx);
    cr = cairo_create(png);
    Draw(cr, picture, view, options);
    cairo_destroy(cr);
    const cairo_status_t pngStatus = cairo_surface_write_to_png(png, pngPath.c_str());
    cairo_surface_destroy(png);
    if (pngStatus != CAIRO_STATUS_SUCCESS) {
        *error = pngPath + ": " + cairo_status_to_string(pngStatus);
        return false;
    }
    return true;
}

}  // namespace txorb::sim
