// What each part of a production run is marked with: the job's drawing planned once, and per
// part its items (job_items.h) planned on their own at their place in the field (millimetres
// times the raster's bitsPerMm from the field's centre, whatever the drawing's fit), each with
// its own settings. What an item covers is cut from the drawing's marks and from the items
// before it, so a code's quiet zone stays free of the logo below it. The plan's layers are the
// drawing's, then each item's in the job's order.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "drawing/items/job_items.h"
#include "drawing/job/job_file.h"
#include "drawing/plan/mark_plan.h"
#include "drawing/plan/plan_options.h"

namespace txorb::drawing {

// Where making a part's plan spent its time, in seconds.
struct PartTimes {
    double making = 0.0;    // filling in the fields, setting text, making codes
    double planning = 0.0;  // hatching and ordering the items
    double cutting = 0.0;   // taking out what the items cover
};

class PartPlanner {
public:
    // `drawing`: the job's drawing as planned, its layers with their settings (an empty plan
    // for a job of items alone). `options`: how items are hatched and ordered; `defaults`: the
    // settings an item starts from before its own keys. False with "FILE:LINE:COLUMN: ..."
    // when an item's template cannot be read.
    static bool Prepare(const JobFile& job, MarkPlan drawing, const PlanOptions& options,
                        const LayerSettings& defaults, PartPlanner* out, std::string* error);

    // The plan of part `serial` made at `when`; the values of its fields are appended to
    // *values. False with "FILE:LINE:COLUMN: value: what" when an item cannot be made (a code
    // that cannot hold its value).
    bool Plan(int64_t serial, std::chrono::system_clock::time_point when, MarkPlan* plan,
              std::vector<FieldValue>* values, std::string* error,
              PartTimes* times = nullptr) const;

    bool HasItems() const { return !items_.Empty(); }
    // The transform of items: millimetres (y down) to field bits.
    Affine ItemsToField() const;

private:
    bool PlanItem(const PartItem& item, MarkPlan* plan, std::string* error) const;

    JobFile job_;
    JobItems items_;
    MarkPlan drawing_;
    PlanOptions options_;
    LayerSettings defaults_;
};

}  // namespace txorb::drawing
