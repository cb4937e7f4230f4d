#include "drawing/items/job_items.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "drawing/codes/make_code.h"
#include "drawing/text/text_outlines.h"

namespace txorb::drawing {
namespace {

// Capitals are measured on an H set at this size, then scaled.
constexpr double kMeasureSize = 100.0;
// A font without an H: its capitals taken as this share of its size, as in most fonts.
constexpr double kUsualCapitalShare = 0.7;

// How far the outlines reach above the baseline (y down: the least y, negated).
double HeightAboveBaseline(const std::vector<Subpath>& outlines) {
    double top = 0.0;
    for (const Subpath& p : outlines) {
        for (const Point q : Flatten(p, kMeasureSize * 1e-4)) top = std::min(top, q.y);
    }
    return -top;
}

void MoveAll(Drawing* d, double dx, double dy) {
    const Affine move = Affine::Translate(dx, dy);
    for (Item& item : d->items) {
        for (Subpath& p : item.outline) Transform(move, &p);
    }
    if (d->page) d->page->x += dx, d->page->y += dy;
}

}  // namespace

bool JobItems::Prepare(const JobFile& job, JobItems* out, std::string* error) {
    *out = JobItems{};
    out->path_ = job.path;
    auto parse = [&](const std::string& value, JobPosition where, FieldTemplate* parsed) {
        FieldError e;
        if (FieldTemplate::Parse(value, parsed, &e)) return true;
        *error = JobError(job.path, where, "value", e.what);
        return false;
    };
    for (size_t i = 0; i < job.texts.size(); ++i) {
        const JobText& t = job.texts[i];
        Text text{{},
                  t.font.empty() ? kDefaultItemFont : t.font,
                  0.0,
                  0.0,
                  t.x,
                  t.y,
                  job.TextGroup(i),
                  t.where};
        if (!parse(t.value, t.where, &text.value)) return false;
        FontChoice font;
        font.family = text.font;
        font.size = kMeasureSize;
        double share = HeightAboveBaseline(SetTextOutlines("H", font).outlines) / kMeasureSize;
        if (!(share > 0.0)) share = kUsualCapitalShare;
        text.size = t.height / share;
        text.capital = t.height;
        out->texts_.push_back(std::move(text));
    }
    for (size_t i = 0; i < job.codes.size(); ++i) {
        const JobCode& c = job.codes[i];
        Code code{{}, c.type, c.size, c.x, c.y, job.CodeGroup(i), c.where};
        if (!parse(c.value, c.where, &code.value)) return false;
        out->codes_.push_back(std::move(code));
    }
    return true;
}

bool JobItems::MakeText(const Text& text, const std::string& value, PartItem* item,
                        std::string* error) const {
    FontChoice font;
    font.family = text.font;
    font.size = text.size;
    SetText set = SetTextOutlines(value, font);
    if (set.outlines.empty()) {
        *error = JobError(path_, text.where, "value",
                          "\"" + value + "\" sets no glyph in the font " + text.font);
        return false;
    }
    Item letters;
    letters.outline = std::move(set.outlines);
    letters.fill = Fill{FillRule::kNonZero, Colour{0, 0, 0}, 1.0, -1};
    letters.line = text.where.line;
    letters.group = text.group;
    item->drawing.items.push_back(std::move(letters));
    item->drawing.unitsPerMm = 1.0;
    MoveAll(&item->drawing, text.x - set.advance / 2.0, -text.y + text.capital / 2.0);
    return true;
}

bool JobItems::MakeCode(const Code& code, const std::string& value, PartItem* item,
                        std::string* error) const {
    std::string why;
    if (!drawing::MakeCode(code.type, value, code.size, &item->drawing, &why)) {
        *error = JobError(path_, code.where, "value", why);
        return false;
    }
    for (Item& i : item->drawing.items) {
        i.line = code.where.line;
        i.group = code.group;
    }
    MoveAll(&item->drawing, code.x, -code.y);
    return true;
}

bool JobItems::Make(int64_t serial, std::chrono::system_clock::time_point when,
                    std::vector<PartItem>* items, std::vector<FieldValue>* values,
                    std::string* error) const {
    items->clear();
    for (size_t i = 0; i < texts_.size(); ++i) {
        PartItem item;
        item.group = texts_[i].group;
        item.name = "text " + std::to_string(i + 1);
        if (!MakeText(texts_[i], texts_[i].value.Expand(serial, when, values), &item, error))
            return false;
        items->push_back(std::move(item));
    }
    for (size_t i = 0; i < codes_.size(); ++i) {
        PartItem item;
        item.group = codes_[i].group;
        item.name = "code " + std::to_string(i + 1);
        if (!MakeCode(codes_[i], codes_[i].value.Expand(serial, when, values), &item, error))
            return false;
        items->push_back(std::move(item));
    }
    return true;
}

}  // namespace txorb::drawing
