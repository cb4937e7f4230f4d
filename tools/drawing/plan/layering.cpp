#include "drawing/plan/layering.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <tuple>

#include "drawing/plan/layering_parts.h"
#include "drawing/plan/shared_out.h"
#include "drawing/plan/sweep.h"
#include "proto/exposure.h"

namespace txorb::drawing {
namespace {

using Clock = std::chrono::steady_clock;
using SpanList = std::vector<KeySpan>;

// A stroke at least this many hatch spacings wide is hatched as an area; a thinner one is
// marked as its centre line.
constexpr double kBandSpacings = 2.0;
constexpr Colour kWhite{255, 255, 255};

// Hatch lines closer than a bit cannot be told apart on the card's grid.
double Spacing(const LayerSettings& s) { return std::max(1.0, s.hatchSpacing); }

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

auto Tie(const SweepKey& k) {
    return std::tuple(k.colour.r, k.colour.g, k.colour.b, k.group, k.picture);
}
struct KeyLess {
    bool operator()(const SweepKey& a, const SweepKey& b) const { return Tie(a) < Tie(b); }
};

// A sweep and its spans by key, with each layer's key in it.
struct Swept {
    SweepResult result;
    std::vector<SpanList> byKey;
    std::map<SweepKey, uint32_t, KeyLess> keyOf;

    explicit Swept(SweepResult r) : result(std::move(r)), byKey(SpansByKey(result)) {
        for (uint32_t k = 0; k < result.keys.size(); ++k) keyOf[result.keys[k]] = k;
    }
    const SpanList* Spans(const SweepKey& key) const {
        const auto it = keyOf.find(key);
        return it == keyOf.end() ? nullptr : &byKey[it->second];
    }
};

// A layer while it is made.
struct Draft {
    SweepKey key;
    uint64_t order = 0;  // paint order of the first item that gives it: item * 2 (+1 a line)
    bool settled = false;
    LayerChoice choice;
    ToneChoice tone;
    std::vector<uint32_t> items;
    std::vector<std::vector<Point>> lines;  // visible lines and outlines, field bits
    PlanLayer layer;
};

class Composer {
public:
    Composer(const Drawing& d, const Affine& toField, const ComposeOptions& o)
        : d_(d), toField_(toField), o_(o), threads_(o.reference ? 1 : std::max(1, o.threads)) {}

    ComposeResult Run();

private:
    SweepGrid HatchGrid(double angle, double spacing) const {
        return {angle, spacing / 2.0, spacing / 2.0};
    }
    Swept SweepOver(const SweepGrid& grid, const Bounds& box) const;
    LayerChoice Choose(const Colour& colour, uint32_t group, bool picture) const;
    size_t LayerOf(const SweepKey& key, uint64_t order);
    void Register(const Swept& swept, bool picturesOnly);
    void AddLines();
    void AddSlivers();
    void Settle(Draft* draft);
    // A sweep a layer's hatch lines come from, with the step between them in its lines.
    using HatchSource = std::pair<const Swept*, int>;
    std::vector<HatchSource> HatchSources(const Draft& draft);
    void Hatch(Draft* draft, const std::vector<HatchSource>& sources) const;
    const Swept& ExtraSweep(double angle, double spacing);
    std::pair<size_t, size_t> AreasOf(uint32_t item) const;
    std::vector<uint32_t> Items(const Draft& draft) const;
    void Outline(Draft* draft);
    void Pictures();
    void PictureLayer(Draft* draft, const SweepResult& rows, const SpanList& spans);
    // Tone mapping, for a drawing whose colours are tones.
    ToneMode Tone() const { return d_.colourIsTone ? o_.tone : ToneMode::kNone; }
    void Finish(Draft* draft);

    const Drawing& d_;
    const Affine toField_;
    const ComposeOptions& o_;
    const int threads_;
    Faces faces_;
    std::unique_ptr<CoverIndex> cover_;
    std::optional<Swept> hatch_;
    std::map<std::pair<double, double>, Swept> extra_;
    std::vector<Draft> drafts_;
    std::map<SweepKey, size_t, KeyLess> layerOf_;
    ComposeResult result_;
};

Swept Composer::SweepOver(const SweepGrid& grid, const Bounds& box) const {
    const Bounds field{kFieldLowBits, kFieldLowBits, kFieldHighBits, kFieldHighBits};
    const Bounds within{std::max(box.x0, field.x0), std::max(box.y0, field.y0),
                        std::min(box.x1, field.x1), std::min(box.y1, field.y1)};
    SweepOptions so;
    LinesOver(within, grid, &so.firstLine, &so.lastLine);
    so.threads = threads_;
    return Swept(Sweep(faces_, grid, so));
}

LayerChoice Composer::Choose(const Colour& colour, uint32_t group, bool picture) const {
    if (o_.resolve) return o_.resolve(colour, group, picture);
    LayerChoice c{o_.defaults};
    if (picture) c.settings.mode = LayerMode::kPicture;
    return c;
}

size_t Composer::LayerOf(const SweepKey& key, uint64_t order) {
    auto [it, added] = layerOf_.try_emplace(key, drafts_.size());
    if (added) {
        drafts_.emplace_back();
        drafts_.back().key = key;
        drafts_.back().order = order;
    }
    Draft& d = drafts_[it->second];
    d.order = std::min(d.order, order);
    return it->second;
}

void Composer::Register(const Swept& swept, bool picturesOnly) {
    for (auto [key, item] : swept.result.keyItems) {
        const SweepKey& k = swept.result.keys[key];
        if (picturesOnly && k.picture < 0) continue;
        drafts_[LayerOf(k, uint64_t(item) * 2)].items.push_back(item);
    }
}

void Composer::AddLines() {
    for (const LinePaint& line : faces_.lines) {
        std::vector<std::vector<Point>> shown = VisibleLine(line, cover_.get(), o_.fill);
        if (shown.empty()) continue;
        Draft& d = drafts_[LayerOf({line.colour, line.group, -1}, uint64_t(line.item) * 2 + 1)];
        d.items.push_back(line.item);
        for (auto& piece : shown) d.lines.push_back(std::move(piece));
    }
}

// A fill that lies between two hatch lines is marked by the visible part of its outline.
// (One that hatch lines cross but find covered everywhere counts as covered: what may show of
// it between them is narrower than a spacing.)
void Composer::AddSlivers() {
    const SweepGrid& sub = hatch_->result.grid;
    const SweepGrid lines{sub.angleDegrees, 2.0 * sub.step, sub.offset};
    for (const AreaPaint& a : faces_.areas) {
        if (a.band || a.picture >= 0) continue;
        int64_t first, last;
        LinesOver(a.area.box, lines, &first, &last);
        if (first <= last) continue;
        LinePaint outline{{}, OverWhite(a.colour, a.opacity), a.item, a.group, a.area.box, a.clips};
        for (const auto& ring : a.area.rings) {
            outline.lines.push_back(ring);
            outline.lines.back().push_back(ring.front());
        }
        std::vector<std::vector<Point>> shown = VisibleLine(outline, cover_.get(), true);
        if (shown.empty()) continue;
        Draft& d = drafts_[LayerOf({outline.colour, a.group, -1}, uint64_t(a.item) * 2)];
        d.items.push_back(a.item);
        for (auto& piece : shown) d.lines.push_back(std::move(piece));
    }
}

void Composer::Settle(Draft* d) {
    if (d->settled) return;
    d->settled = true;
    const bool picture = d->key.picture >= 0;
    d->choice = Choose(d->key.colour, d->key.group, picture);
    const double ink = Ink(d->key.colour);
    d->tone = picture ? ToneChoice{d->choice.settings, 1}
                      : ApplyTone(d->choice.settings, ink, Tone(), d->choice.powerGiven,
                                  d->choice.spacingGiven);
    PlanLayer& l = d->layer;
    l.colour = d->key.colour;
    l.picture = picture;
    l.settings = d->tone.settings;
    if (l.settings.mode == LayerMode::kSkip) {
        l.notMarked = "mode skip";
    } else if (picture) {
        return;
    } else if (d->key.colour == o_.skipColour) {
        l.notMarked = d->key.colour == kWhite ? "white" : "skip colour";
    } else if (d_.colourIsTone && d->key.colour == kWhite) {
        l.notMarked = "white";
    } else if (d_.colourIsTone && ink < o_.minInk) {
        l.notMarked = "paler than the least ink marked";
    }
}

const Swept& Composer::ExtraSweep(double angle, double spacing) {
    auto it = extra_.find({angle, spacing});
    if (it == extra_.end()) {
        Bounds box;
        for (const AreaPaint& a : faces_.areas) {
            box.Add({a.area.box.x0, a.area.box.y0});
            box.Add({a.area.box.x1, a.area.box.y1});
        }
        it = extra_.emplace(std::pair{angle, spacing}, SweepOver(HatchGrid(angle, spacing), box))
                 .first;
    }
    return it->second;
}

// Sweeps at other angles or spacings are made here, one layer at a time, so that the layers
// can then be hatched side by side from what is already there.
std::vector<Composer::HatchSource> Composer::HatchSources(const Draft& d) {
    const LayerSettings& chosen = d.choice.settings;
    const double base = Spacing(o_.defaults);
    std::vector<double> angles{chosen.hatchAngle};
    if (chosen.crossHatch) angles.push_back(chosen.hatchAngle + 90.0);
    std::vector<HatchSource> sources;
    for (double angle : angles) {
        // A spacing that is a whole multiple of the drawing's keeps to its lines.
        const double ratio = Spacing(chosen) / base;
        const bool onBase = angle == o_.defaults.hatchAngle && ratio >= 1.0 &&
                            std::fabs(ratio - std::round(ratio)) < 1e-9;
        const Swept& swept = onBase ? *hatch_ : ExtraSweep(angle, Spacing(chosen));
        sources.emplace_back(&swept, d.tone.step * (onBase ? int(std::lround(ratio)) : 1));
    }
    return sources;
}

void Composer::Hatch(Draft* d, const std::vector<HatchSource>& sources) const {
    for (const auto& [swept, step] : sources) {
        if (const SpanList* spans = swept->Spans(d->key)) {
            std::vector<Polyline> lines = HatchKey(swept->result, *spans, step, o_.inset);
            for (Polyline& l : lines) d->layer.polylines.push_back(std::move(l));
        }
    }
}

// The areas of an item (areas are in item order).
std::pair<size_t, size_t> Composer::AreasOf(uint32_t item) const {
    const auto& areas = faces_.areas;
    auto byItem = [](const AreaPaint& a, uint32_t i) { return a.item < i; };
    const size_t begin =
        size_t(std::lower_bound(areas.begin(), areas.end(), item, byItem) - areas.begin());
    size_t end = begin;
    while (end < areas.size() && areas[end].item == item) ++end;
    return {begin, end};
}

std::vector<uint32_t> Composer::Items(const Draft& d) const {
    std::vector<uint32_t> items = d.items;
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    return items;
}

void Composer::Outline(Draft* d) {
    for (uint32_t item : Items(*d)) {
        const auto [begin, end] = AreasOf(item);
        for (size_t a = begin; a < end; ++a) {
            for (auto& ring : VisibleOutline(faces_.areas[a], cover_.get()))
                d->lines.push_back(std::move(ring));
        }
    }
}

// Picture layers and layers marked as pictures, on the raster grid, only where they show.
void Composer::Pictures() {
    Bounds box;
    auto grow = [&](const AreaPaint& a) {
        box.Add({a.area.box.x0, a.area.box.y0});
        box.Add({a.area.box.x1, a.area.box.y1});
    };
    for (const AreaPaint& a : faces_.areas) {
        if (a.picture >= 0) grow(a);
    }
    for (const Draft& d : drafts_) {
        if (d.layer.settings.mode != LayerMode::kPicture || !d.layer.notMarked.empty()) continue;
        for (uint32_t item : Items(d)) {
            const auto [begin, end] = AreasOf(item);
            for (size_t a = begin; a < end; ++a) grow(faces_.areas[a]);
        }
    }
    const double pitch = o_.raster.Pitch();
    if (box.Empty() || !(pitch > 0.0)) return;
    const Swept rows = SweepOver({0.0, pitch, 0.0}, box);
    Register(rows, true);
    for (Draft& d : drafts_) Settle(&d);
    for (Draft& d : drafts_) {
        if (d.layer.settings.mode != LayerMode::kPicture || !d.layer.notMarked.empty()) continue;
        if (const SpanList* spans = rows.Spans(d.key)) PictureLayer(&d, rows.result, *spans);
    }
}

// A picture's rows at its opacity, or a layer's at its tone; delays from the exposure model at
// the layer's power unless the options give them.
void Composer::PictureLayer(Draft* d, const SweepResult& rows, const SpanList& spans) {
    const Picture* picture = nullptr;
    double darkness = Tone() == ToneMode::kNone ? 1.0 : Ink(d->key.colour);
    if (d->key.picture >= 0 && size_t(d->key.picture) < d_.pictures.size()) {
        picture = &d_.pictures[size_t(d->key.picture)];
        const auto it =
            std::find_if(faces_.areas.begin(), faces_.areas.end(),
                         [&](const AreaPaint& a) { return a.picture == d->key.picture; });
        darkness = it == faces_.areas.end() ? 1.0 : it->opacity;
    }
    RasterOptions raster = o_.raster;
    if (o_.raster.exposureDelays) {
        const double black =
            proto::DelayForInk(1.0, d->layer.settings.power / 100.0, rows.grid.step);
        raster.minDelay = 0;
        raster.maxDelay = static_cast<uint16_t>(std::clamp(std::lround(black), 1L, 65535L));
    }
    d->layer.bitmapLines = PictureRows(rows, spans, picture, darkness, toField_, raster);
    if (!hatch_) {
        for (const KeySpan& sp : spans)
            d->layer.stats.areaBits2 += (sp.u1 - sp.u0) * rows.grid.step;
    }
}

void Composer::Finish(Draft* d) {
    PlanLayer& l = d->layer;
    if (l.notMarked.empty()) {
        if (l.settings.mode == LayerMode::kOutline && hatch_) Outline(d);
        if (l.settings.mode == LayerMode::kFill || l.settings.mode == LayerMode::kOutline)
            AddRounded(d->lines, &l.polylines);
    }
    l.stats.items = Items(*d).size();
    if (hatch_) {
        if (const SpanList* spans = hatch_->Spans(d->key)) {
            for (const KeySpan& sp : *spans)
                l.stats.areaBits2 += (sp.u1 - sp.u0) * hatch_->result.grid.step;
        }
    }
    for (const Polyline& p : l.polylines) {
        l.stats.markMoves += p.size() - 1;
        for (size_t i = 1; i < p.size(); ++i)
            l.stats.markLength +=
                std::hypot(double(p[i].x) - p[i - 1].x, double(p[i].y) - p[i - 1].y);
    }
    for (const BitmapLine& b : l.bitmapLines) {
        for (uint16_t v : b.delays) l.stats.pixels += v > 0 ? 1 : 0;
    }
}

ComposeResult Composer::Run() {
    auto start = Clock::now();
    FaceOptions fo;
    fo.toleranceBits = o_.toleranceBits;
    fo.bandWidthBits = kBandSpacings * Spacing(o_.defaults);
    fo.skipColour = o_.skipColour;
    fo.fill = o_.fill;
    fo.outlineAll = o_.outlineAll;
    fo.threads = threads_;
    fo.fillContour = [this](const Colour& c, uint32_t group) {
        const LayerChoice choice = Choose(c, group, false);
        return choice.modeGiven && choice.settings.mode == LayerMode::kFill;
    };
    faces_ = BuildFaces(d_, toField_, fo);
    result_.outside = faces_.outside;
    cover_ = std::make_unique<CoverIndex>(faces_, o_.reference);
    if (o_.fill) {
        Bounds box;
        for (const AreaPaint& a : faces_.areas) {
            box.Add({a.area.box.x0, a.area.box.y0});
            box.Add({a.area.box.x1, a.area.box.y1});
        }
        hatch_.emplace(SweepOver(HatchGrid(o_.defaults.hatchAngle, Spacing(o_.defaults)), box));
        Register(*hatch_, false);
    }
    result_.times.flattening = Seconds(start);

    start = Clock::now();
    AddLines();
    if (hatch_) AddSlivers();
    for (Draft& d : drafts_) Settle(&d);
    std::vector<size_t> filled;
    std::vector<std::vector<HatchSource>> sources;
    for (size_t i = 0; i < drafts_.size(); ++i) {
        const Draft& d = drafts_[i];
        if (hatch_ && d.layer.notMarked.empty() && d.layer.settings.mode == LayerMode::kFill) {
            filled.push_back(i);
            sources.push_back(HatchSources(d));
        }
    }
    ForEachShared(filled.size(), threads_,
                  [&](size_t k) { Hatch(&drafts_[filled[k]], sources[k]); });
    result_.times.hatching = Seconds(start);

    start = Clock::now();
    Pictures();
    result_.times.raster = Seconds(start);

    start = Clock::now();
    for (Draft& d : drafts_) Finish(&d);
    result_.times.hatching += Seconds(start);
    std::vector<size_t> order(drafts_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return drafts_[a].order < drafts_[b].order; });
    for (size_t i : order) result_.layers.push_back(std::move(drafts_[i].layer));
    return std::move(result_);
}

}  // namespace

ComposeResult ComposeLayers(const Drawing& drawing, const Affine& toField,
                            const ComposeOptions& options) {
    return Composer(drawing, toField, options).Run();
}

}  // namespace txorb::drawing
