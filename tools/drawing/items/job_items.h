// A job's texts and codes made for one part: each [[text]] and [[code]] item's value filled in
// from the part's serial and time, set as lettering (the font path SVG text takes) or made as
// a symbol, and placed where the job puts it.
//
// Each item is a Drawing of its own in millimetres, y pointing down, the field's centre at
// (0, 0) (the job's x, y are y up: an item at y = -20 lies 20 mm below the centre), its items
// in the job's group for it (JobFile::TextGroup, CodeGroup) and black (a code's quiet zone
// white, so that it covers what is below it and marks nothing).
// A text is centred on its advance across and on its capital letters' height up and down, so
// that a part whose value has no descender or capital sits where the others do.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "drawing/job/fields.h"
#include "drawing/job/job_file.h"
#include "drawing/model/drawing.h"

namespace txorb::drawing {

// Used when a text names no font.
inline constexpr const char* kDefaultItemFont = "DejaVu Sans";

struct PartItem {
    Drawing drawing;  // millimetres, y down, the field's centre at (0, 0)
    uint32_t group = 0;
    std::string name;  // "text 1", "code 2": in order of the job file
};

class JobItems {
public:
    // The job's items, their templates read and each text's font measured once. False with
    // "FILE:LINE:COLUMN: value: what" when a template cannot be read.
    static bool Prepare(const JobFile& job, JobItems* out, std::string* error);

    bool Empty() const { return texts_.empty() && codes_.empty(); }

    // The items of part `serial` made at `when`, in the job's order (texts, then codes), and
    // the values of their fields (appended to *values when given). False with
    // "FILE:LINE:COLUMN: value: what" when a code cannot hold its value or a text sets no
    // glyph; *items is then unspecified.
    bool Make(int64_t serial, std::chrono::system_clock::time_point when,
              std::vector<PartItem>* items, std::vector<FieldValue>* values,
              std::string* error) const;

private:
    struct Text {
        FieldTemplate value;
        std::string font;
        double size = 0.0;  // the font size (em, mm) that gives the asked capital height
        double capital = 0.0;
        double x = 0.0, y = 0.0;
        uint32_t group = 0;
        JobPosition where;
    };
    struct Code {
        FieldTemplate value;
        CodeType type = CodeType::kDataMatrix;
        double size = 0.0;
        double x = 0.0, y = 0.0;
        uint32_t group = 0;
        JobPosition where;
    };
    bool MakeText(const Text& text, const std::string& value, PartItem* item,
                  std::string* error) const;
    bool MakeCode(const Code& code, const std::string& value, PartItem* item,
                  std::string* error) const;

    std::string path_;
    std::vector<Text> texts_;
    std::vector<Code> codes_;
};

}  // namespace txorb::drawing
