#include "picture.h"

namespace txorb::sim {

bool Picture::Add(const Move& move) {
    if (move.inPixelLine) return true;
    if (Size() >= maxItems_) return false;
    moves_.push_back(move);
    return true;
}

bool Picture::Add(const PixelLine& line) {
    if (Size() >= maxItems_) return false;
    lines_.push_back(PlacedLine{moves_.size(), line});
    return true;
}

}  // namespace txorb::sim
