#include "drawing/text/text_outlines.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <memory>
#include <mutex>

namespace txorb::drawing {
namespace {

// Glyphs are set at this size and scaled: hinting and size rounding then cost nothing at the
// small or huge sizes drawings give.
constexpr double kSetSize = 256.0;

// One Cairo context and Pango context for the process: font lookups are cached by them.
class Typesetter {
public:
    Typesetter() {
        surface_ = cairo_recording_surface_create(CAIRO_CONTENT_ALPHA, nullptr);
        cairo_ = cairo_create(surface_);
        context_ = pango_cairo_create_context(cairo_);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        pango_cairo_context_set_font_options(context_, options);
        cairo_font_options_destroy(options);
        layout_ = pango_layout_new(context_);
    }
    ~Typesetter() {
        g_object_unref(layout_);
        g_object_unref(context_);
        cairo_destroy(cairo_);
        cairo_surface_destroy(surface_);
    }
    Typesetter(const Typesetter&) = delete;
    Typesetter& operator=(const Typesetter&) = delete;

    SetText Set(std::string_view utf8, const FontChoice& font);

private:
    void Choose(const FontChoice& font);
    static std::vector<Subpath> Outlines(const cairo_path_t* path, double scale);

    cairo_surface_t* surface_;
    cairo_t* cairo_;
    PangoContext* context_;
    PangoLayout* layout_;
};

void Typesetter::Choose(const FontChoice& font) {
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, font.family.empty() ? "serif" : font.family.c_str());
    pango_font_description_set_absolute_size(desc, kSetSize * PANGO_SCALE);
    pango_font_description_set_weight(desc, static_cast<PangoWeight>(font.weight));
    pango_font_description_set_style(desc, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout_, desc);
    pango_font_description_free(desc);
    PangoAttrList* attributes = pango_attr_list_new();
    if (font.letterSpacing != 0.0 && font.size > 0.0) {
        const double spacing = font.letterSpacing * kSetSize / font.size;
        pango_attr_list_insert(
            attributes, pango_attr_letter_spacing_new(static_cast<int>(spacing * PANGO_SCALE)));
    }
    pango_layout_set_attributes(layout_, attributes);
    pango_attr_list_unref(attributes);
}

std::vector<Subpath> Typesetter::Outlines(const cairo_path_t* path, double scale) {
    std::vector<Subpath> out;
    auto at = [scale](const cairo_path_data_t& d) {
        return Point{d.point.x * scale, d.point.y * scale};
    };
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t* d = &path->data[i];
        switch (d->header.type) {
            case CAIRO_PATH_MOVE_TO:
                if (!out.empty() && out.back().segments.empty()) out.pop_back();
                out.push_back({});
                out.back().start = at(d[1]);
                break;
            case CAIRO_PATH_LINE_TO:
                if (!out.empty()) out.back().LineTo(at(d[1]));
                break;
            case CAIRO_PATH_CURVE_TO:
                if (!out.empty()) out.back().CubicTo(at(d[1]), at(d[2]), at(d[3]));
                break;
            case CAIRO_PATH_CLOSE_PATH:
                if (!out.empty()) out.back().Close();
                break;
        }
    }
    if (!out.empty() && out.back().segments.empty()) out.pop_back();
    return out;
}

SetText Typesetter::Set(std::string_view utf8, const FontChoice& font) {
    Choose(font);
    pango_layout_set_text(layout_, utf8.data(), static_cast<int>(utf8.size()));
    const double baseline = pango_layout_get_baseline(layout_) / double(PANGO_SCALE);
    PangoRectangle logical;
    pango_layout_get_extents(layout_, nullptr, &logical);
    cairo_new_path(cairo_);
    cairo_move_to(cairo_, 0.0, -baseline);
    pango_cairo_layout_path(cairo_, layout_);
    cairo_path_t* path = cairo_copy_path(cairo_);
    const double scale = font.size / kSetSize;
    SetText out{Outlines(path, scale), logical.width / double(PANGO_SCALE) * scale};
    cairo_path_destroy(path);
    cairo_new_path(cairo_);
    return out;
}

}  // namespace

SetText SetTextOutlines(std::string_view utf8, const FontChoice& font) {
    static std::mutex mutex;
    static Typesetter typesetter;
    std::lock_guard<std::mutex> lock(mutex);
    return typesetter.Set(utf8, font);
}

}  // namespace txorb::drawing
