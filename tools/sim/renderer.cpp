#include "renderer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>

#include "dose_raster.h"
#include "output_file.h"
#include "png_encoder.h"
#include "proto/exposure.h"
#include "svg_picture.h"

namespace txorb::sim {
namespace {

struct Bounds {
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    void Take(double x, double y) {
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
    }
};

// Bitmap lines: each pixel leaves power x delay over its cell, one pitch along the line and
// one across; neighbours of one delay are laid down as one band.
void DepositLines(const Picture& picture, const PictureView& view, double spotBits,
                  DoseRaster* raster) {
    const double scale = view.Scale();
    for (const PixelLine& line : picture.Lines()) {
        const size_t n = line.delaysUs.size();
        if (n == 0 || !(line.power > 0)) continue;
        const double dx = n > 1 ? (line.x1 - line.x0) / double(n - 1) : 0.0;
        const double dy = n > 1 ? (line.y1 - line.y0) / double(n - 1) : 0.0;
        const double pitch = std::hypot(dx, dy);
        for (size_t i = 0; i < n;) {
            const uint16_t delay = line.delaysUs[i];
            size_t j = i;
            while (j + 1 < n && line.delaysUs[j + 1] == delay) ++j;
            const double energy = line.power * delay;  // per pixel
            if (delay > 0 && !(pitch > 0)) {
                raster->AddSquare(view.X(line.x0), view.Y(line.y0), spotBits * scale, energy);
            } else if (delay > 0) {
                // From half a pitch before pixel i to half a pitch after pixel j.
                const double bx = view.X(line.x0 + dx * (double(i) - 0.5));
                const double by = view.Y(line.y0 + dy * (double(i) - 0.5));
                const double ex = view.X(line.x0 + dx * (double(j) + 0.5));
                const double ey = view.Y(line.y0 + dy * (double(j) + 0.5));
                raster->AddBand(bx, by, ex, ey, pitch * scale, energy / (pitch * scale));
            }
            i = j + 1;
        }
    }
}

// Marks leave power / speed per bit of their length across the spot's width; dots power x
// duration over the spot.
void DepositMarks(const Picture& picture, const PictureView& view, double spotBits,
                  DoseRaster* raster) {
    const double scale = view.Scale();
    const double spotPx = spotBits * scale;
    picture.ForEachMark([&](const Picture::Mark& m) {
        const double perBit = proto::VectorEnergyPerBit(m.power, m.speed);
        raster->AddBand(view.X(m.x0), view.Y(m.y0), view.X(m.x1), view.Y(m.y1), spotPx,
                        perBit / scale);
    });
    for (const Picture::Dot& d : picture.Dots()) {
        raster->AddSquare(view.X(d.x), view.Y(d.y), spotPx, double(d.power) * d.durationUs);
    }
}

// Sixteen pixels none of which holds energy, as most of a picture's are: their bits compared
// without the sign (-0 is none either), which takes a few vector instructions.
constexpr size_t kBlockPx = 16;
bool Untouched(const float* energy) {
    uint32_t any = 0;
    for (size_t i = 0; i < kBlockPx; ++i) {
        uint32_t bits;
        std::memcpy(&bits, energy + i, sizeof bits);
        any |= bits;
    }
    return (any << 1) == 0;
}

// The raster's darkness as grey (255 untouched, 0 black), encoded as PNG.
std::string EncodeDarkness(const DoseRaster& raster, const PictureView& view) {
    const double toDose = view.Scale() * view.Scale();  // energy per pixel -> per square bit
    const auto grey = [toDose](float energy) {
        return static_cast<uint8_t>(255.5 - proto::Darkness(energy * toDose) * 255.0);
    };
    const size_t width = static_cast<size_t>(raster.Width());
    return EncodeGreyPng(raster.Width(), raster.Height(), [&](int y, uint8_t* row) {
        const float* energy = raster.Energy().data() + size_t(y) * width;
        size_t x = 0;
        for (; x + kBlockPx <= width; x += kBlockPx) {
            if (Untouched(energy + x)) {
                std::memset(row + x, 255, kBlockPx);
                continue;
            }
            for (size_t i = x; i < x + kBlockPx; ++i) row[i] = grey(energy[i]);
        }
        for (; x < width; ++x) row[x] = grey(energy[x]);
    });
}

// Writes the SVG under its temporary name, leaving it to the caller to commit.
void WriteSvg(const Picture& picture, const PictureView& view, const RenderOptions& options,
              const std::string& linesPng, OutputFile* file) {
    std::string error;
    if (!file->Open(&error)) return;
    TextOutput text(file);
    WriteSvgPicture(picture, view, options, linesPng, &text);
    text.Flush();
}

}  // namespace

PictureView MakeView(const Picture& picture, const RenderOptions& options) {
    PictureView view;
    view.sizePx = options.sizePx;
    if (!options.fit || picture.Size() == 0) return view;
    Bounds b;
    picture.ForEachMark([&](const Picture::Mark& m) {
        b.Take(m.x0, m.y0);
        b.Take(m.x1, m.y1);
    });
    for (const Picture::Dot& d : picture.Dots()) b.Take(d.x, d.y);
    for (const PixelLine& line : picture.Lines()) {
        b.Take(line.x0, line.y0);
        b.Take(line.x1, line.y1);
    }
    view.span = (std::max({b.x1 - b.x0, b.y1 - b.y0, 16.0}) + options.spotBits) * 1.1;
    view.minX = (b.x0 + b.x1) / 2 - view.span / 2;
    view.minY = (b.y0 + b.y1) / 2 - view.span / 2;
    return view;
}

bool RenderPictures(const Picture& picture, const std::string& prefix, const RenderOptions& options,
                    std::string* error) {
    const PictureView view = MakeView(picture, options);
    DoseRaster raster(view.sizePx, view.sizePx);
    DepositLines(picture, view, options.spotBits, &raster);
    // The SVG shows the bitmap lines as this image, under its paths for the marks.
    const std::string linesPng =
        picture.Lines().empty() ? std::string() : EncodeDarkness(raster, view);
    // The SVG is written while the marks go into the raster, on a thread of its own when one
    // can be had; neither picture takes its name before both are complete.
    OutputFile svg(prefix + ".svg");
    const auto writeSvg = [&] { WriteSvg(picture, view, options, linesPng, &svg); };
    std::jthread svgThread;
    try {
        svgThread = std::jthread(writeSvg);
    } catch (const std::system_error&) {
        writeSvg();
    }
    DepositMarks(picture, view, options.spotBits, &raster);
    const std::string png = EncodeDarkness(raster, view);
    if (svgThread.joinable()) svgThread.join();
    OutputFile pngFile(prefix + ".png");
    if (png.empty()) {
        *error = pngFile.Path() + ": " + std::strerror(ENOMEM);
        return false;
    }
    if (!pngFile.Open(error)) return false;
    pngFile.Write(png.data(), png.size());
    return pngFile.Commit(error) && svg.Commit(error);
}

}  // namespace txorb::sim
