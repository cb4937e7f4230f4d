#include "drawing/codes/make_code.h"

#include <zint.h>

#include <cmath>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace txorb::drawing {
namespace {

constexpr int kQrEccLevelM = 2;  // libzint's option_1 for QR: 1 L, 2 M, 3 Q, 4 H

struct Module {
    int x0, y0, x1, y1;  // in modules, x1 and y1 past the end
};

// The symbol's dark modules as pixels of libzint's raster, one pixel a module (scale 0.5 makes
// it so), with its standard quiet zone around them.
struct Raster {
    std::vector<bool> dark;
    int width = 0, height = 0;
    CodeLayout layout;
    bool Dark(int x, int y) const { return dark[static_cast<size_t>(y) * width + x]; }
};

int Symbology(CodeType type) {
    switch (type) {
        case CodeType::kDataMatrix: return BARCODE_DATAMATRIX;
        case CodeType::kQr: return BARCODE_QRCODE;
        case CodeType::kCode128: return BARCODE_CODE128;
    }
    return BARCODE_CODE128;
}

bool Encode(CodeType type, std::string_view value, Raster* raster, std::string* error) {
    std::unique_ptr<zint_symbol, void (*)(zint_symbol*)> symbol(ZBarcode_Create(), ZBarcode_Delete);
    if (!symbol) {
        *error = "out of memory";
        return false;
    }
    symbol->symbology = Symbology(type);
    symbol->input_mode = UNICODE_MODE;
    symbol->scale = 0.5f;
    symbol->show_hrt = 0;
    symbol->output_options = OUT_BUFFER_INTERMEDIATE | BARCODE_QUIET_ZONES;
    if (type == CodeType::kQr) symbol->option_1 = kQrEccLevelM;
    if (type == CodeType::kDataMatrix) symbol->option_3 = DM_SQUARE;
    const int rc = ZBarcode_Encode_and_Buffer(symbol.get(),
                                              reinterpret_cast<const unsigned char*>(value.data()),
                                              static_cast<int>(value.size()), 0);
    if (rc >= ZINT_ERROR) {
        *error =
            "a " + std::string(CodeTypeName(type)) + " cannot hold this value: " + symbol->errtxt;
        return false;
    }
    const zint_symbol& s = *symbol;
    const bool linear = type == CodeType::kCode128;
    raster->width = s.bitmap_width;
    raster->height = linear ? 1 : s.bitmap_height;
    raster->layout.columns = s.width;
    raster->layout.rows = s.rows;
    raster->layout.quietColumns = (s.bitmap_width - s.width) / 2;
    raster->layout.quietRows = linear ? 0 : (s.bitmap_height - s.rows) / 2;
    raster->dark.resize(static_cast<size_t>(raster->width) * raster->height);
    for (size_t i = 0; i < raster->dark.size(); ++i) raster->dark[i] = s.bitmap[i] == '1';
    return true;
}

// Runs of dark modules in each row, grown downwards while the rows below repeat them.
std::vector<Module> Rectangles(const Raster& raster) {
    std::vector<Module> done;
    std::map<std::pair<int, int>, Module> open;  // by (x0, x1): reaching the row before
    for (int y = 0; y < raster.height; ++y) {
        std::map<std::pair<int, int>, Module> next;
        for (int x = 0; x < raster.width;) {
            if (!raster.Dark(x, y)) {
                ++x;
                continue;
            }
            const int x0 = x;
            while (x < raster.width && raster.Dark(x, y)) ++x;
            const auto key = std::make_pair(x0, x);
            const auto above = open.find(key);
            Module m = above != open.end() ? above->second : Module{x0, y, x, y};
            if (above != open.end()) open.erase(above);
            m.y1 = y + 1;
            next[key] = m;
        }
        for (const auto& [key, m] : open) done.push_back(m);
        open = std::move(next);
    }
    for (const auto& [key, m] : open) done.push_back(m);
    return done;
}

Subpath Box(double x0, double y0, double x1, double y1) {
    Subpath box;
    box.start = {x0, y0};
    box.LineTo({x1, y0});
    box.LineTo({x1, y1});
    box.LineTo({x0, y1});
    box.Close();
    return box;
}

}  // namespace

std::string_view CodeTypeName(CodeType type) {
    switch (type) {
        case CodeType::kDataMatrix: return "Data Matrix";
        case CodeType::kQr: return "QR code";
        case CodeType::kCode128: return "Code 128";
    }
    return "code";
}

bool MakeCode(CodeType type, std::string_view value, double sizeMm, Drawing* out,
              std::string* error, CodeLayout* layout) {
    if (!(sizeMm > 0.0 && sizeMm <= kMaxCodeSizeMm)) {
        *error = "a code's size is above 0 and at most 1000 mm";
        return false;
    }
    Raster raster;
    if (!Encode(type, value, &raster, error)) return false;
    const CodeLayout& l = raster.layout;
    const double module = sizeMm / l.columns;
    const double rowHeight = type == CodeType::kCode128 ? sizeMm / 3.0 : module;
    // Raster pixel (x, y) starts at (left + x * module, top + y * rowHeight).
    const double left = -(l.columns / 2.0 + l.quietColumns) * module;
    const double top = -(l.rows / 2.0 + l.quietRows) * rowHeight;

    Drawing code;
    code.unitsPerMm = 1.0;
    code.page = PageBox{left, top, -2.0 * left, -2.0 * top};
    Item quiet;
    quiet.outline.push_back(Box(left, top, -left, -top));
    quiet.fill = Fill{FillRule::kNonZero, Colour{255, 255, 255}, 1.0, -1};
    code.items.push_back(std::move(quiet));
    Item modules;
    const std::vector<Module> rectangles = Rectangles(raster);
    for (const Module& m : rectangles) {
        modules.outline.push_back(Box(left + m.x0 * module, top + m.y0 * rowHeight,
                                      left + m.x1 * module, top + m.y1 * rowHeight));
    }
    modules.fill = Fill{FillRule::kNonZero, Colour{0, 0, 0}, 1.0, -1};
    code.items.push_back(std::move(modules));
    *out = std::move(code);
    if (layout != nullptr) {
        *layout = l;
        layout->rectangles = rectangles.size();
    }
    return true;
}

}  // namespace txorb::drawing
