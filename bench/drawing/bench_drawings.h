// The drawings the drawing benchmarks plan: four large drawings of Debian's openclipart-svg
// package (apt-get install openclipart-svg), measured beside rsvg-convert by
// scripts/compare-speed, and 10,000 overlapping filled circles made here.
#pragma once

#include <cstdint>
#include <random>

#include "drawing/model/drawing.h"

namespace txorb::bench {

inline const char* const kClipart = "/usr/share/openclipart/svg/";
inline const char* const kBamboo = "plants/bamboo_01.svg";
inline const char* const kPen = "office/pen_sek_.svg";
inline const char* const kFruit = "food/fruit/fruitcollection_leif_lod_07.svg";
inline const char* const kPortrait = "people/martin_luther_king_jr._h_01.svg";

// `count` circles of random colours (one in ten half see-through) spread over the field, in
// field bits.
inline drawing::Drawing OverlappingCircles(int count) {
    using namespace drawing;
    std::mt19937 random(2026);
    std::uniform_real_distribution<double> at(-28000, 28000), radius(300, 3000), unit(0, 1);
    std::uniform_int_distribution<int> channel(0, 255);
    Drawing d;
    for (int i = 0; i < count; ++i) {
        const double cx = at(random), cy = at(random), r = radius(random);
        Subpath circle{{cx + r, cy}, {}, false};
        circle.ArcTo(r, r, 0, false, true, {cx - r, cy});
        circle.ArcTo(r, r, 0, false, true, {cx + r, cy});
        circle.Close();
        Item item;
        item.outline = {circle};
        const Colour c{uint8_t(channel(random)), uint8_t(channel(random)),
                       uint8_t(channel(random))};
        item.fill = Fill{FillRule::kNonZero, c, unit(random) < 0.1 ? 0.5 : 1.0, -1};
        d.items.push_back(std::move(item));
    }
    return d;
}

}  // namespace txorb::bench
