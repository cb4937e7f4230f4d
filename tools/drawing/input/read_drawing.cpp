#include "drawing/input/read_drawing.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "drawing/model/image_files.h"
#include "drawing/svg/read_svg.h"

namespace txorb::drawing {
namespace {

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
