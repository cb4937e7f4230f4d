// Pictures of what was marked, drawn by the exposure model (proto/exposure.h): every mark is a
// band as wide as the laser spot, every dot a spot, every bitmap pixel its cell, and each adds
// its energy to the picture's pixels, so that power, speed, passes and pixel delays all show as
// tone. PREFIX.png is the dose as grey (white: untouched, black: kBlackDose or more);
// PREFIX.svg has the marks as one path per power and speed, grey by the darkness of one pass,
// over the bitmap lines as an image. Jumps leave no energy and are not drawn.
#pragma once

#include <string>

#include "picture.h"

namespace txorb::sim {

struct RenderOptions {
    int sizePx = 1024;
    bool fit = false;  // zoom to what was marked instead of the whole field
    // The laser spot's width in bits: marks are bands this wide, dots spots this wide. 0.05 mm
    // at 600 bits per mm.
    double spotBits = 30.0;
};

// Where the field lands in the picture: a square span bits across from (minX, minY) at its
// bottom-left corner; y grows upwards on the card and downwards in the picture.
struct PictureView {
    double minX = -32768.0, minY = -32768.0, span = 65536.0;
    int sizePx = 1024;
    double Scale() const { return sizePx / span; }  // picture pixels per bit
    double X(double x) const { return (x - minX) * Scale(); }
    double Y(double y) const { return sizePx - (y - minY) * Scale(); }
};

PictureView MakeView(const Picture& picture, const RenderOptions& options);

// Writes prefix + ".png" and prefix + ".svg", each under a temporary name renamed when
// complete; false with "PATH: reason" when either fails.
bool RenderPictures(const Picture& picture, const std::string& prefix, const RenderOptions& options,
                    std::string* error);

}  // namespace txorb::sim
