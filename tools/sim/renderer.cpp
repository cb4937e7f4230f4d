#include "renderer.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace txorb::sim {
namespace {

struct View {
    double minX, minY, scale, size;
    double X(double x) const { return (x - minX) * scale; }
    double Y(double y) const { return size - (y - minY) * scale; }  // y grows upwards
};

View MakeView(const std::vector<Move>& moves, const RenderOptions& options) {
    const double size = options.sizePx;
    View view{-32768.0, -32768.0, size / 65536.0, size};
    if (!options.fit || moves.empty()) return view;
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const Move& m : moves) {
        x0 = std::min({x0, m.x0, m.x1});
        y0 = std::min({y0, m.y0, m.y1});
        x1 = std::max({x1, m.x0, m.x1});
        y1 = std::max({y1, m.y0, m.y1});
    }
    const double span = std::max({x1 - x0, y1 - y0, 16.0}) * 1.1;
    view.minX = (x0 + x1) / 2 - span / 2;
    view.minY = (y0 + y1) / 2 - span / 2;
    view.scale = size / span;
    return view;
}

void Draw(cairo_t* cr, const std::vector<Move>& moves, const View& view) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    const double dash[] = {3.0, 3.0};
    for (const Move& m : moves) {
        switch (m.kind) {
            case MoveKind::kJump:
                if (m.x0 == m.x1 && m.y0 == m.y1) break;
                cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
                cairo_set_line_width(cr, 0.5);
                cairo_set_dash(cr, dash, 2, 0);
                cairo_move_to(cr, view.X(m.x0), view.Y(m.y0));
                cairo_line_to(cr, view.X(m.x1), view.Y(m.y1));
                cairo_stroke(cr);
                break;
            case MoveKind::kMark: {
                double r = 0, g = 0, b = 0;
                PowerColour(m.power, &r, &g, &b);
                cairo_set_source_rgb(cr, r, g, b);
                cairo_set_line_width(cr, 1.5);
                cairo_set_dash(cr, nullptr, 0, 0);
                cairo_move_to(cr, view.X(m.x0), view.Y(m.y0));
                cairo_line_to(cr, view.X(m.x1), view.Y(m.y1));
                cairo_stroke(cr);
                break;
            }
            case MoveKind::kDot: {
                double r = 0, g = 0, b = 0;
                PowerColour(m.power, &r, &g, &b);
                cairo_set_source_rgb(cr, r, g, b);
                cairo_arc(cr, view.X(m.x0), view.Y(m.y0), 1.5, 0, 2 * M_PI);
                cairo_fill(cr);
                break;
            }
        }
    }
}

}  // namespace

void PowerColour(double power, double* r, double* g, double* b) {
    if (!(power > 0)) {  // laser off or disabled: a pale trace of the path
        *r = *g = *b = 0.85;
        return;
    }
    const double p = std::min(power, 1.0);
    *r = p;
    *g = 0.15 * (1 - p);
    *b = 1 - p;
}

bool RenderPictures(const std::vector<Move>& moves, const std::string& prefix,
                    const RenderOptions& options, std::string* error) {
    const View view = MakeView(moves, options);
    const std::string svgPath = prefix + ".svg";
    const std::string pngPath = prefix + ".png";

    cairo_surface_t* svg = cairo_svg_surface_create(svgPath.c_str(), view.size, view.size);
    cairo_t* cr = cairo_create(svg);
    Draw(cr, moves, view);
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
    Draw(cr, moves, view);
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
