#include "drawing/input/read_drawing.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include "drawing/dxf/read_dxf.h"
#include "drawing/model/image_files.h"
#include "drawing/svg/read_svg.h"

namespace txorb::drawing {
namespace {

constexpr std::string_view kBinaryDxf = "AutoCAD Binary DXF";

// The next line of `text` from *at, without its line end and surrounding blanks.
std::string_view NextLine(std::string_view text, size_t* at) {
    if (*at >= text.size()) return {};  // past the last line (one without a line end)
    const size_t end = std::min(text.find('\n', *at), text.size());
    std::string_view line = text.substr(*at, end - *at);
    *at = end + 1;
    const size_t first = line.find_first_not_of(" \t\r\xEF\xBB\xBF");
    if (first == std::string_view::npos) return {};
    const size_t last = line.find_last_not_of(" \t\r");
    return line.substr(first, last - first + 1);
}

// A text DXF opens with group code 0 and SECTION, after any 999 comments; whatever the file
// is called.
bool LooksLikeDxf(std::string_view text) {
    size_t at = 0;
    for (int comments = 0; comments < 16 && at < text.size(); ++comments) {
        const std::string_view code = NextLine(text, &at);
        const std::string_view value = NextLine(text, &at);
        if (code == "0") return value == "SECTION";
        if (code != "999") return false;
    }
    return false;
}

// The picture alone: an item that covers it, on a page of its size.
ReadResult PictureDrawing(Picture picture) {
    ReadResult result;
    const double w = picture.image.width, h = picture.image.height;
    picture.visibleX1 = w;
    picture.visibleY1 = h;
    Item item;
    Subpath outline;
    outline.LineTo({w, 0});
    outline.LineTo({w, h});
    outline.LineTo({0, h});
    outline.Close();
    item.outline.push_back(outline);
    Fill fill;
    fill.picture = 0;
    const uint8_t grey = picture.image.Mean();
    fill.colour = {grey, grey, grey};
    item.fill = fill;
    Drawing& d = result.drawing;
    d.pictures.push_back(std::move(picture));
    d.items.push_back(std::move(item));
    d.page = PageBox{0, 0, w, h};
    result.ok = true;
    return result;
}

}  // namespace

ReadResult ReadDrawing(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ReadResult result;
        result.error = path + ": cannot open: " + std::strerror(errno);
        return result;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.substr(0, kBinaryDxf.size()) == kBinaryDxf) {
        ReadResult result;
        result.error = path + ": a binary DXF file; save it as text DXF (ASCII) to mark it";
        return result;
    }
    if (LooksLikeDxf(text)) {
        ReadResult result;
        result.ok = ReadDxfText(text, path, &result.drawing, &result.error);
        return result;
    }
    if (SniffImageFormat(bytes) == ImageFormat::kUnknown) return ReadSvgFile(path);
    Picture picture;
    std::string why;
    if (!DecodeImage(bytes, &picture.image, &why)) {
        ReadResult result;
        result.error = path + ": " + why;
        return result;
    }
    return PictureDrawing(std::move(picture));
}

}  // namespace txorb::drawing
