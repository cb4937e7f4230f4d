// Pictures: PNG and JPEG bytes to grey levels (transparency over white), data: URIs, grey
// levels to pixel delays with and without dithering, and a placed picture to bitmap lines.
#include <gtest/gtest.h>

#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/bitmap_lines.h"
#include "cli/raster.h"
#include "cli/svg_reader.h"

namespace txorb::cli {
namespace {

std::vector<uint8_t> PngBytes(int width, int height, const std::vector<uint8_t>& greyAlpha) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_GA;
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, greyAlpha.data(), 0, nullptr));
    std::vector<uint8_t> out(size);
    EXPECT_TRUE(
        png_image_write_to_memory(&image, out.data(), &size, 0, greyAlpha.data(), 0, nullptr));
    out.resize(size);
    return out;
}

std::vector<uint8_t> JpegBytes(int width, int height, uint8_t grey) {
    jpeg_compress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width), grey);
    while (info.next_scanline < info.image_height) {
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&info, &p, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

TEST(Picture, DecodesPngAndJpegToGreyOverWhite) {
    // Grey/alpha pairs: opaque black, half-transparent black, transparent, opaque mid grey.
    const std::vector<uint8_t> png = PngBytes(4, 1, {0, 255, 0, 128, 0, 0, 100, 255});
    GreyImage image;
    std::string error;
    ASSERT_TRUE(DecodeImage(png, &image, &error)) << error;
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(image.grey, (std::vector<uint8_t>{0, 127, 255, 100}));

    ASSERT_TRUE(DecodeImage(JpegBytes(8, 8, 128), &image, &error)) << error;
    EXPECT_EQ(image.width, 8);
    EXPECT_NEAR(image.At(3, 3), 128, 2);  // JPEG is lossy, a flat grey nearly exact

    struct Refusal {
        std::vector<uint8_t> bytes;
        const char* error;
    };
    const Refusal refusals[] = {
        {{'G', 'I', 'F', '8', '9', 'a'}, "neither PNG nor JPEG"},
        {{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0}, "PNG: read beyond end of data"},
    };
    for (const Refusal& r : refusals) {
        EXPECT_FALSE(DecodeImage(r.bytes, &image, &error));
        EXPECT_EQ(error.substr(0, std::strlen(r.error)), r.error);
    }
}

TEST(Picture, DataUrisInBase64AndPercentEncoding) {
    struct Case {
        const char* uri;
        const char* media;
        std::string bytes;
    };
    const Case cases[] = {
        {"data:image/png;base64,iVBORw0K", "image/png", "\x89PNG\r\n"},
        {"data:image/png;base64,iVBO\n Rw0K", "image/png", "\x89PNG\r\n"},
        {"data:text/plain,a%20b%2", "text/plain", "a b%2"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes;
        std::string media;
        ASSERT_TRUE(DecodeDataUri(c.uri, &bytes, &media)) << c.uri;
        EXPECT_EQ(media, c.media);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.bytes) << c.uri;
    }
    std::vector<uint8_t> bytes;
    std::string media;
    EXPECT_FALSE(DecodeDataUri("picture.png", &bytes, &media));
}

TEST(Picture, GreyLevelsBecomeDelaysAndDitheringGivesOnOrOff) {
    RasterOptions o;
    o.minDelay = 10;
    o.maxDelay = 100;
    // Darkness 0, a quarter, a half and 1: white costs nothing, then 10 + 90 * darkness.
    EXPECT_EQ(DelaysFor({0.0f, 0.25f, 0.5f, 1.0f}, 4, o), (std::vector<uint16_t>{0, 33, 55, 100}));
    const std::vector<float> half(16 * 16, 0.5f);
    for (Dither d : {Dither::kFloydSteinberg, Dither::kOrdered}) {
        o.dither = d;
        const std::vector<uint16_t> delays = DelaysFor(half, 16, o);
        size_t on = 0;
        for (uint16_t v : delays) {
            EXPECT_TRUE(v == 0 || v == 100) << v;
            on += v == 100;
        }
        // A mid grey comes out as half the pixels on: exactly for the 8x8 threshold matrix,
        // within a few pixels for error diffusion.
        if (d == Dither::kOrdered) {
            EXPECT_EQ(on, 128u);
        } else {
            EXPECT_NEAR(static_cast<double>(on), 128.0, 4.0);
        }
    }
}

TEST(Picture, RowsTrimWhiteAlternateAndSplitAtTheLineLimit) {
    // Four by two pixels, 100 bits a pixel, pixel centres on the 100-bit grid: pixel (u, v)
    // lands at x = 100 u, y = -100 v.
    PlacedImage p;
    p.image = {4, 2, {255, 191, 127, 0, 0, 0, 255, 255}};
    p.visibleX1 = 4;
    p.visibleY1 = 2;
    const Affine toField{100, 0, 0, -100, -50, 50};
    RasterOptions o;
    o.lineSpacing = 100;
    o.minDelay = 10;
    o.maxDelay = 100;
    std::vector<BitmapLine> lines = PictureLines(p, toField, nullptr, o);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].begin, (FieldPoint{100, 0}));
    EXPECT_EQ(lines[0].end, (FieldPoint{300, 0}));
    EXPECT_EQ(lines[0].delays, (std::vector<uint16_t>{33, 55, 100}));
    // The second row runs back from right to left.
    EXPECT_EQ(lines[1].begin, (FieldPoint{100, -100}));
    EXPECT_EQ(lines[1].end, (FieldPoint{0, -100}));
    EXPECT_EQ(lines[1].delays, (std::vector<uint16_t>{100, 100}));

    o.bidirectional = false;
    lines = PictureLines(p, toField, nullptr, o);
    EXPECT_EQ(lines[1].begin, (FieldPoint{0, -100}));
    // At half opacity black is as dark as a mid grey: 10 + 90 * 0.5.
    lines = PictureLines(p, toField, nullptr, o, 0.5);
    EXPECT_EQ(lines[1].delays, (std::vector<uint16_t>{55, 55}));

    // A black row of 40,000 pixels, one bit each: two bitmap lines, the first full.
    PlacedImage wide;
    wide.image = {40000, 1, std::vector<uint8_t>(40000, 0)};
    wide.visibleX1 = 40000;
    wide.visibleY1 = 1;
    o.lineSpacing = 1;
    lines = PictureLines(wide, {1, 0, 0, -1, -20000.5, 0.5}, nullptr, o);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].delays.size(), kMaxBitmapValues);
    EXPECT_EQ(lines[1].delays.size(), 40000 - kMaxBitmapValues);
    EXPECT_EQ(lines[0].begin.x, -20000);
    EXPECT_EQ(lines[1].begin.x, lines[0].end.x + 1);
    EXPECT_EQ(lines[1].end.x, 19999);
}

TEST(Picture, ImagesFromFilesBesideTheDrawingAndPlacedInTheirBox) {
    char dir[] = "/tmp/txorb-picture-test-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::vector<uint8_t> png = PngBytes(4, 2, std::vector<uint8_t>(16, 255));
    std::FILE* f = std::fopen((std::string(dir) + "/p.png").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(png.data(), 1, png.size(), f);
    std::fclose(f);
    // A 4 x 2 picture in a 40 x 40 box: meet scales it by 10 and centres it (10 units down),
    // slice by 20 and shows the middle 2 x 2 pixels; none stretches it.
    struct Case {
        const char* ratio;
        Affine toRoot;
        double x0, y0, x1, y1;
    };
    const Case cases[] = {
        {"xMidYMid", {10, 0, 0, 10, 0, 10}, 0, 0, 4, 2},
        {"xMidYMid slice", {20, 0, 0, 20, -20, 0}, 1, 0, 3, 2},
        {"xMinYMax", {10, 0, 0, 10, 0, 20}, 0, 0, 4, 2},
        {"none", {10, 0, 0, 20, 0, 0}, 0, 0, 4, 2},
    };
    for (const Case& c : cases) {
        const std::string svg = std::string(dir) + "/d.svg";
        std::FILE* s = std::fopen(svg.c_str(), "w");
        ASSERT_NE(s, nullptr);
        std::fprintf(
            s, "<svg><image width='40' height='40' preserveAspectRatio='%s' href='p.png'/></svg>",
            c.ratio);
        std::fclose(s);
        const SvgReadResult r = ReadSvgFile(svg);
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.drawing.images.size(), 1u) << c.ratio;
        const PlacedImage& p = r.drawing.images[0];
        EXPECT_EQ(p.image.width, 4);
        const Affine& m = p.toRoot;
        EXPECT_EQ(std::vector<double>({m.a, m.b, m.c, m.d, m.e, m.f}),
                  std::vector<double>(
                      {c.toRoot.a, c.toRoot.b, c.toRoot.c, c.toRoot.d, c.toRoot.e, c.toRoot.f}))
            << c.ratio;
        EXPECT_EQ(std::vector<double>({p.visibleX0, p.visibleY0, p.visibleX1, p.visibleY1}),
                  std::vector<double>({c.x0, c.y0, c.x1, c.y1}))
            << c.ratio;
    }
    // A picture fill as design tools write it: a pattern in box units holding a reference
    // to an <image>. The 40 x 20 rect scales the box by (40, 20), the reference by 1/40 and
    // 1/20, and the 4 x 2 picture meets its 40 x 20 box at 10 units a pixel.
    const std::string svg = std::string(dir) + "/fill.svg";
    std::FILE* s = std::fopen(svg.c_str(), "w");
    ASSERT_NE(s, nullptr);
    std::fputs(
        "<svg><rect x='5' width='40' height='20' fill='url(#p)'/><defs>"
        "<pattern id='p' patternContentUnits='objectBoundingBox' width='1' height='1'>"
        "<use href='#i' transform='scale(0.025 0.05)'/></pattern>"
        "<image id='i' width='40' height='20' href='p.png'/></defs></svg>",
        s);
    std::fclose(s);
    const SvgReadResult r = ReadSvgFile(svg);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.drawing.images.size(), 1u);
    const Affine& m = r.drawing.images[0].toRoot;
    EXPECT_EQ(std::vector<double>({m.a, m.b, m.c, m.d, m.e, m.f}),
              std::vector<double>({10, 0, 0, 10, 5, 0}));
    ASSERT_EQ(r.drawing.shapes.size(), 2u);  // the picture, then the rect without its fill
    EXPECT_EQ(r.drawing.shapes[0].image, 0);
    EXPECT_EQ(r.drawing.shapes[0].clips.size(), 1u);  // cut to the rect
    EXPECT_EQ(r.drawing.shapes[1].style.fill.kind, PaintKind::kNone);
    EXPECT_TRUE(r.drawing.notMarked.empty());
    std::filesystem::remove_all(dir);
}

// A gradient fill becomes a grey picture of the shape's box cut to the shape. The box is
// 100 x 50 units, painted 512 x 256 pixels; a pixel's centre (x + 0.5) / 512 along the box
// gives t, and the grey is 255 t for stops black to white (rounded).
TEST(Picture, GradientFillsArePaintedAsGreyPicturesOfTheShape) {
    const std::string kStops =
        "<stop offset='0' stop-color='black'/><stop offset='1' "
        "stop-color='white'/>";
    struct Case {
        const char* what;
        std::string defs;
        std::string fillOpacity;
        // Greys of pixels (x, y); empty: no picture, the shape keeps its gradient paint.
        std::vector<std::array<int, 3>> greys;
    };
    const Case cases[] = {
        {"linear along the box",
         "<linearGradient id='g'>" + kStops + "</linearGradient>",
         "1",
         {{0, 0, 0}, {256, 0, 128}, {511, 255, 255}}},
        {"reflected past the half way",
         "<linearGradient id='g' x2='50%' spreadMethod='reflect'>" + kStops + "</linearGradient>",
         "1",
         {{128, 0, 128}, {384, 0, 127}}},
        {"repeated past the half way",
         "<linearGradient id='g' x2='0.5' spreadMethod='repeat'>" + kStops + "</linearGradient>",
         "1",
         {{384, 0, 128}}},
        {"padded before its start",
         "<linearGradient id='g' x1='0.5'>" + kStops + "</linearGradient>",
         "1",
         {{0, 0, 0}, {128, 0, 0}, {384, 0, 128}}},
        {"stops and coordinates through href, in user space",
         "<linearGradient id='s'>" + kStops +
             "</linearGradient><linearGradient id='g' href='#s' gradientUnits='userSpaceOnUse' "
             "x1='0' y1='20' x2='0' y2='70'/>",
         "1",
         {{0, 0, 0}, {0, 128, 128}, {511, 128, 128}}},
        {"radial: dark in the middle, the last stop past the circle",
         "<radialGradient id='g'>" + kStops + "</radialGradient>",
         "1",
         {{256, 128, 1}, {0, 0, 255}, {511, 255, 255}}},
        {"fill-opacity thins the ink over white paper",
         "<linearGradient id='g'><stop stop-color='black'/></linearGradient>",
         "0.6",
         {{0, 0, 102}, {511, 255, 102}}},
        {"a see-through gradient stays a fill",
         "<linearGradient id='g'><stop stop-color='black' stop-opacity='0.3'/></linearGradient>",
         "1",
         {}},
    };
    for (const Case& c : cases) {
        const SvgReadResult r =
            ReadSvgText("<svg xmlns='http://www.w3.org/2000/svg'><defs>" + c.defs +
                            "</defs><rect x='10' y='20' width='100' height='50' fill='url(#g)' "
                            "fill-opacity='" +
                            c.fillOpacity + "'/></svg>",
                        "t.svg");
        ASSERT_TRUE(r.ok) << r.error;
        if (c.greys.empty()) {
            EXPECT_TRUE(r.drawing.images.empty()) << c.what;
            ASSERT_EQ(r.drawing.shapes.size(), 1u) << c.what;
            EXPECT_EQ(r.drawing.shapes[0].style.fill.kind, PaintKind::kGradient) << c.what;
            continue;
        }
        ASSERT_EQ(r.drawing.images.size(), 1u) << c.what;
        const PlacedImage& p = r.drawing.images[0];
        ASSERT_EQ(p.image.width, 512) << c.what;
        ASSERT_EQ(p.image.height, 256) << c.what;
        // The picture covers the box and is cut to the shape; the outline paints no fill.
        EXPECT_DOUBLE_EQ(p.toRoot.Apply({512, 256}).x, 110.0) << c.what;
        EXPECT_DOUBLE_EQ(p.toRoot.Apply({512, 256}).y, 70.0) << c.what;
        ASSERT_EQ(r.drawing.shapes.size(), 2u) << c.what;
        EXPECT_EQ(r.drawing.shapes[0].image, 0) << c.what;
        EXPECT_EQ(r.drawing.shapes[0].clips.size(), 1u) << c.what;
        EXPECT_EQ(r.drawing.shapes[1].style.fill.kind, PaintKind::kNone) << c.what;
        for (const auto& [x, y, grey] : c.greys) {
            EXPECT_EQ(p.image.At(x, y), grey) << c.what << " at " << x << "," << y;
        }
    }
    // On a page a small shape gets the pixels it would have in a 2048-pixel picture of the
    // page: 100 x 50 of 1000 units is 204.8 x 102.4, rounded up.
    const SvgReadResult small = ReadSvgText(
        "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 1000 1000'><linearGradient "
        "id='g'>" +
            kStops + "</linearGradient><rect width='100' height='50' fill='url(#g)'/></svg>",
        "t.svg");
    ASSERT_EQ(small.drawing.images.size(), 1u);
    EXPECT_EQ(small.drawing.images[0].image.width, 205);
    EXPECT_EQ(small.drawing.images[0].image.height, 103);
    // Lettering is cut to its glyphs the same way.
    const SvgReadResult text = ReadSvgText(
        "<svg xmlns='http://www.w3.org/2000/svg'><linearGradient id='g'>" + kStops +
            "</linearGradient><text y='50' font-size='40' fill='url(#g)'>HI</text></svg>",
        "t.svg");
    ASSERT_EQ(text.drawing.images.size(), 1u);
    ASSERT_EQ(text.drawing.shapes.size(), 2u);
    EXPECT_EQ(text.drawing.shapes[0].clips.size(), 1u);
    EXPECT_EQ(text.drawing.shapes[1].style.fill.kind, PaintKind::kNone);
}

}  // namespace
}  // namespace txorb::cli
