#include "cli/drawing_input.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace txorb::cli {

SvgReadResult ReadDrawing(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        SvgReadResult result;
        result.error = path + ": cannot open: " + std::strerror(errno);
        return result;
    }
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    if (SniffImageFormat(bytes) == ImageFormat::kUnknown) return ReadSvgFile(path);
    SvgReadResult result;
    PlacedImage picture;
    std::string why;
    if (!DecodeImage(bytes, &picture.image, &why)) {
        result.error = path + ": " + why;
        return result;
    }
    const double w = picture.image.width, h = picture.image.height;
    picture.visibleX1 = w;
    picture.visibleY1 = h;
    Shape shape;
    Subpath outline;
    outline.LineTo({w, 0});
    outline.LineTo({w, h});
    outline.LineTo({0, h});
    outline.Close();
    shape.subpaths.push_back(outline);
    shape.image = 0;
    Drawing& d = result.drawing;
    d.images.push_back(std::move(picture));
    d.shapes.push_back(std::move(shape));
    d.hasPage = true;
    d.page = {0, 0, w, h};
    result.ok = true;
    return result;
}

}  // namespace txorb::cli
