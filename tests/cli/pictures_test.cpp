// Pictures: PNG and JPEG to grey levels (transparency over white), data: URIs, a picture file
// as a drawing, <image> placed in its box, picture and gradient fills as grey pictures of the
// shape, and grey levels to pixel delays and bitmap lines.
#include <gtest/gtest.h>

#include <png.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "drawing/input/read_drawing.h"
#include "drawing/model/image_files.h"
#include "drawing/plan/bitmap_lines.h"
#include "drawing/svg/read_svg.h"

namespace txorb::drawing {
namespace {

std::vector<uint8_t> PngBytes(int width, int height, const std::vector<uint8_t>& greyAlpha) {
    png_image image{};
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

class Pictures : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/txorb-picture-test-XXXXXX";
        ASSERT_NE(::mkdtemp(templ), nullptr);
        dir_ = templ;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
        return dir_ + "/" + name;
    }
    std::string dir_;
};

TEST(Picture, DecodesPngAndJpegToGreyOverWhiteAndDataUris) {
    // Grey/alpha pairs: opaque black, half-transparent black, transparent, opaque mid grey.
    GreyImage image;
    std::string error;
    ASSERT_TRUE(DecodeImage(PngBytes(4, 1, {0, 255, 0, 128, 0, 0, 100, 255}), &image, &error))
        << error;
    EXPECT_EQ(image.width, 4);
    EXPECT_EQ(image.grey, (std::vector<uint8_t>{0, 127, 255, 100}));
    std::ifstream jpeg(TXORB_SOURCE_DIR "/examples/corpus/assets/band.jpg", std::ios::binary);
    ASSERT_TRUE(DecodeImage({std::istreambuf_iterator<char>(jpeg), {}}, &image, &error)) << error;
    EXPECT_EQ(image.width, 40);
    EXPECT_EQ(image.height, 40);
    EXPECT_NEAR(image.At(0, 0), 30, 8);    // JPEG is lossy: the dark band along the diagonal,
    EXPECT_NEAR(image.At(0, 36), 235, 8);  // the pale ground below it
    EXPECT_FALSE(DecodeImage({'G', 'I', 'F', '8', '9', 'a'}, &image, &error));
    EXPECT_EQ(error, "neither PNG nor JPEG");
    EXPECT_FALSE(DecodeImage({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0}, &image, &error));
    EXPECT_EQ(error.rfind("PNG: read beyond end of data", 0), 0u) << error;
    const struct {
        const char* uri;
        const char* media;
        std::string bytes;
    } uris[] = {
        {"data:image/png;base64,iVBO\n Rw0K", "image/png", "\x89PNG\r\n"},
        {"data:text/plain,a%20b%2", "text/plain", "a b%2"},
    };
    for (const auto& c : uris) {
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

TEST_F(Pictures, APictureFileIsADrawingAndAnImageIsPlacedInItsBox) {
    const std::vector<uint8_t> png = PngBytes(4, 2, std::vector<uint8_t>(16, 255));
    Write("p.png", std::string(png.begin(), png.end()));
    const ReadResult alone = ReadDrawing(dir_ + "/p.png");
    ASSERT_TRUE(alone.ok) << alone.error;
    ASSERT_EQ(alone.drawing.items.size(), 1u);
    EXPECT_EQ(alone.drawing.items[0].fill->picture, 0);
    EXPECT_EQ(alone.drawing.page->width, 4);
    EXPECT_EQ(
        ReadDrawing(Write("bad.png", "\x89PNG\r\n\x1A\n")).error.rfind(dir_ + "/bad.png: PNG: ", 0),
        0u);
    // A 4 x 2 picture in a 40 x 40 box: meet scales it by 10 and centres it (10 units down),
    // slice by 20 and shows the middle 2 x 2 pixels; none stretches it. A picture fill as design
    // tools write it, a pattern in box units holding a reference to an <image>: the 40 x 20 rect
    // scales the box by (40, 20), the reference by 1/40 and 1/20, and the picture meets its
    // 40 x 20 box at 10 units a pixel; it is cut to the rect, which paints no fill over it.
    const struct {
        std::string body;
        Affine toDrawing;
        double x0, y0, x1, y1;
    } cases[] = {
        // clang-format off
        {"<image width='40' height='40' href='p.png'/>", {10, 0, 0, 10, 0, 10}, 0, 0, 4, 2},
        {"<image width='40' height='40' preserveAspectRatio='xMidYMid slice' href='p.png'/>",
         {20, 0, 0, 20, -20, 0}, 1, 0, 3, 2},
        {"<image width='40' height='40' preserveAspectRatio='xMinYMax' href='p.png'/>",
         {10, 0, 0, 10, 0, 20}, 0, 0, 4, 2},
        {"<image width='40' height='40' preserveAspectRatio='none' href='p.png'/>",
         {10, 0, 0, 20, 0, 0}, 0, 0, 4, 2},
        {"<rect x='5' width='40' height='20' fill='url(#p)'/><defs><pattern id='p' "
         "patternContentUnits='objectBoundingBox' width='1' height='1'><use href='#i' "
         "transform='scale(0.025 0.05)'/></pattern><image id='i' width='40' height='20' "
         "href='p.png'/></defs>", {10, 0, 0, 10, 5, 0}, 0, 0, 4, 2},
        // clang-format on
    };
    for (const auto& c : cases) {
        const ReadResult r = ReadSvgFile(Write("d.svg", "<svg>" + c.body + "</svg>"));
        ASSERT_TRUE(r.ok) << r.error;
        ASSERT_EQ(r.drawing.pictures.size(), 1u) << c.body;
        ASSERT_EQ(r.drawing.items.size(), 1u) << c.body;
        const Picture& p = r.drawing.pictures[0];
        const Affine& m = p.toDrawing;
        EXPECT_EQ(std::vector<double>({m.a, m.b, m.c, m.d, m.e, m.f}),
                  std::vector<double>({c.toDrawing.a, c.toDrawing.b, c.toDrawing.c, c.toDrawing.d,
                                       c.toDrawing.e, c.toDrawing.f}))
            << c.body;
        EXPECT_EQ(std::vector<double>({p.visibleX0, p.visibleY0, p.visibleX1, p.visibleY1}),
                  std::vector<double>({c.x0, c.y0, c.x1, c.y1}))
            << c.body;
        EXPECT_EQ(r.drawing.items[0].fill->colour, (Colour{255, 255, 255})) << c.body;  // its mean
        EXPECT_TRUE(r.drawing.notMarked.empty()) << c.body;
    }
}

// A gradient fill becomes a grey picture of the shape's box cut to the shape. The box is
// 100 x 50 units, painted 512 x 256 pixels; a pixel's centre (x + 0.5) / 512 along the box
// gives t, and the grey is 255 t for stops black to white (rounded).
TEST(Picture, GradientFillsArePaintedAsGreyPicturesOfTheShape) {
    const std::string kStops =
        "<stop offset='0' stop-color='black'/><stop offset='1' stop-color='white'/>";
    const struct {
        const char* what;
        std::string defs;
        std::string fillOpacity;
        std::vector<std::array<int, 3>> greys;  // x, y, grey; none: the shape keeps a fill
    } cases[] = {
        // clang-format off
        {"linear along the box", "<linearGradient id='g'>" + kStops + "</linearGradient>", "1",
         {{0, 0, 0}, {256, 0, 128}, {511, 255, 255}}},
        {"reflected past the half way", "<linearGradient id='g' x2='50%' spreadMethod='reflect'>" +
         kStops + "</linearGradient>", "1", {{128, 0, 128}, {384, 0, 127}}},
        {"repeated past the half way", "<linearGradient id='g' x2='0.5' spreadMethod='repeat'>" +
         kStops + "</linearGradient>", "1", {{384, 0, 128}}},
        {"padded before its start", "<linearGradient id='g' x1='0.5'>" + kStops +
         "</linearGradient>", "1", {{0, 0, 0}, {128, 0, 0}, {384, 0, 128}}},
        {"stops and coordinates through href, in user space", "<linearGradient id='s'>" + kStops +
         "</linearGradient><linearGradient id='g' href='#s' gradientUnits='userSpaceOnUse' x1='0' "
         "y1='20' x2='0' y2='70'/>", "1", {{0, 0, 0}, {0, 128, 128}, {511, 128, 128}}},
        {"radial: dark in the middle, the last stop past the circle", "<radialGradient id='g'>" +
         kStops + "</radialGradient>", "1", {{256, 128, 1}, {0, 0, 255}, {511, 255, 255}}},
        {"fill-opacity thins the ink over white paper", "<linearGradient id='g'><stop "
         "stop-color='black'/></linearGradient>", "0.6", {{0, 0, 102}, {511, 255, 102}}},
        {"a see-through gradient stays a fill", "<linearGradient id='g'><stop stop-color='black' "
         "stop-opacity='0.3'/></linearGradient>", "1", {}},
        // clang-format on
    };
    for (const auto& c : cases) {
        const ReadResult r =
            ReadSvgText("<svg><defs>" + c.defs +
                            "</defs><rect x='10' y='20' width='100' height='50' fill='url(#g)' "
                            "fill-opacity='" +
                            c.fillOpacity + "'/></svg>",
                        "t.svg");
        ASSERT_EQ(r.drawing.items.size(), 1u) << c.what;
        if (c.greys.empty()) {
            EXPECT_TRUE(r.drawing.pictures.empty()) << c.what;
            EXPECT_EQ(r.drawing.items[0].fill->picture, -1) << c.what;
            continue;
        }
        ASSERT_EQ(r.drawing.pictures.size(), 1u) << c.what;
        const Picture& p = r.drawing.pictures[0];
        ASSERT_EQ(p.image.width, 512) << c.what;
        ASSERT_EQ(p.image.height, 256) << c.what;
        // The picture covers the box and is cut to the shape.
        EXPECT_DOUBLE_EQ(p.toDrawing.Apply({512, 256}).x, 110.0) << c.what;
        EXPECT_DOUBLE_EQ(p.toDrawing.Apply({512, 256}).y, 70.0) << c.what;
        EXPECT_EQ(r.drawing.items[0].fill->picture, 0) << c.what;
        EXPECT_EQ(r.drawing.items[0].clips.size(), 1u) << c.what;
        for (const auto& [x, y, grey] : c.greys)
            EXPECT_EQ(p.image.At(x, y), grey) << c.what << " " << x << "," << y;
    }
    // On a page a small shape gets the pixels it would have in a 2048-pixel picture of the
    // page: 100 x 50 of 1000 units is 204.8 x 102.4, rounded up. Lettering is cut to its glyphs.
    const ReadResult small =
        ReadSvgText("<svg viewBox='0 0 1000 1000'><linearGradient id='g'>" + kStops +
                        "</linearGradient><rect width='100' height='50' fill='url(#g)'/>"
                        "<text y='50' font-size='40' fill='url(#g)'>HI</text></svg>",
                    "t.svg");
    ASSERT_EQ(small.drawing.pictures.size(), 2u);
    EXPECT_EQ(small.drawing.pictures[0].image.width, 205);
    EXPECT_EQ(small.drawing.pictures[0].image.height, 103);
    ASSERT_EQ(small.drawing.items.size(), 2u);
    EXPECT_EQ(small.drawing.items[1].clips.size(), 2u);  // the page's and the glyphs'
}

TEST(Picture, GreyLevelsBecomeDelaysAndDitheringGivesOnOrOff) {
    RasterOptions o;
    o.minDelay = 10, o.maxDelay = 100;
    // Darkness 0, a quarter, a half and 1: white costs nothing, then 10 + 90 * darkness.
    EXPECT_EQ(DelaysFor({0.0f, 0.25f, 0.5f, 1.0f}, 4, o), (std::vector<uint16_t>{0, 33, 55, 100}));
    for (Dither d : {Dither::kFloydSteinberg, Dither::kOrdered}) {
        o.dither = d;
        size_t on = 0;
        for (uint16_t v : DelaysFor(std::vector<float>(16 * 16, 0.5f), 16, o)) {
            EXPECT_TRUE(v == 0 || v == 100) << v;
            on += v == 100;
        }
        // A mid grey is half the pixels on: exactly for the 8x8 threshold matrix, within a
        // few pixels for error diffusion.
        EXPECT_NEAR(static_cast<double>(on), 128.0, d == Dither::kOrdered ? 0.0 : 4.0);
    }
}

TEST(Picture, RowsTrimWhiteAlternateAndSplitAtTheLineLimit) {
    // Four by two pixels, 100 bits a pixel, pixel (u, v) at x = 100 u, y = -100 v.
    Picture p;
    p.image = {4, 2, {255, 191, 127, 0, 0, 0, 255, 255}};
    p.visibleX1 = 4, p.visibleY1 = 2;
    const Affine toField{100, 0, 0, -100, -50, 50};
    RasterOptions o;
    o.lineSpacing = 100, o.minDelay = 10, o.maxDelay = 100;
    std::vector<BitmapLine> lines = PictureLines(p, toField, nullptr, o);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], (BitmapLine{{100, 0}, {300, 0}, {33, 55, 100}}));
    EXPECT_EQ(lines[1],
              (BitmapLine{{100, -100}, {0, -100}, {100, 100}}));  // back from right to left
    o.bidirectional = false;
    EXPECT_EQ(PictureLines(p, toField, nullptr, o)[1].begin, (FieldPoint{0, -100}));
    // At half opacity black is as dark as a mid grey: 10 + 90 * 0.5.
    EXPECT_EQ(PictureLines(p, toField, nullptr, o, 0.5)[1].delays, (std::vector<uint16_t>{55, 55}));
    // A black row of 40,000 pixels, one bit each: two bitmap lines, the first full.
    Picture wide;
    wide.image = {40000, 1, std::vector<uint8_t>(40000, 0)};
    wide.visibleX1 = 40000, wide.visibleY1 = 1;
    o.lineSpacing = 1;
    lines = PictureLines(wide, {1, 0, 0, -1, -20000.5, 0.5}, nullptr, o);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].delays.size(), kMaxBitmapValues);
    EXPECT_EQ(lines[1].delays.size(), 40000 - kMaxBitmapValues);
    EXPECT_EQ(lines[0].begin.x, -20000);
    EXPECT_EQ(lines[1].begin.x, lines[0].end.x + 1);
    EXPECT_EQ(lines[1].end.x, 19999);
}

}  // namespace
}  // namespace txorb::drawing
