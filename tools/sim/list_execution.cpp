// The list executor: records run one after the other in simulated time; a record starts when
// the one before it has finished (its move, then its delay). Every record costs at least 1 us,
// so a list that loops on itself still lets time pass.
#include <algorithm>
#include <cmath>

#include "virtual_card.h"

namespace txorb::sim {
namespace {

constexpr int kRecordsPerAdvance = 200000;  // bounds one call; the rest waits for the next

double Clamp16(double v) { return std::clamp(v, -32768.0, 32767.0); }
double S(uint16_t v) { return static_cast<int16_t>(v); }

}  // namespace

void VirtualCard::AdvanceTo(int64_t nowUs) {
    int budget = kRecordsPerAdvance;
    while (running_ && waitFor_ == WaitFor::kNothing && cursorUs_ <= nowUs && budget-- > 0) {
        if (pc_ >= running_->entries.size()) {
            starved_ = true;
            return;
        }
        const ListEntry entry = running_->entries[pc_++];
        const int64_t started = cursorUs_;
        ExecuteEntry(entry);
        if (cursorUs_ <= started) cursorUs_ = started + 1;
    }
}

void VirtualCard::Resume(int64_t nowUs) {
    if (running_ && starved_ && pc_ < running_->entries.size()) {
        starved_ = false;
        cursorUs_ = std::max(cursorUs_, nowUs);
    }
}

int64_t VirtualCard::NextEventUs() const {
    if (!running_ || waitFor_ != WaitFor::kNothing) return -1;
    if (starved_ || pc_ >= running_->entries.size()) return -1;
    return cursorUs_;
}

void VirtualCard::ExternalStart(int64_t nowUs) {
    AdvanceTo(nowUs);
    if (waitFor_ != WaitFor::kExternalStart) return;
    waitFor_ = WaitFor::kNothing;
    cursorUs_ = std::max(cursorUs_, nowUs);
}

void VirtualCard::SetExternalCounter(uint32_t value, int64_t nowUs) {
    AdvanceTo(nowUs);
    externalCounter_ = value;
    if (waitFor_ == WaitFor::kCounter && externalCounter_ >= counterTarget_) {
        waitFor_ = WaitFor::kNothing;
        cursorUs_ = std::max(cursorUs_, nowUs);
    }
}

void VirtualCard::MoveTo(double x, double y, MoveKind kind, uint16_t delayAfter) {
    x = Clamp16(x);
    y = Clamp16(y);
    const double speed = kind == MoveKind::kJump ? jumpSpeed_ : markSpeed_;
    const double distance = std::hypot(x - x_, y - y_);
    // Speeds are bits per millisecond; a speed of 0 or less moves at once.
    const double us = speed > 0 ? distance / speed * 1000.0 : 0.0;
    const int64_t duration = static_cast<int64_t>(std::min(us, 3.6e12));
    Move move{kind, x_, y_, x, y, kind == MoveKind::kMark && laserEnabled_ ? power_ : 0.0,
              cursorUs_, cursorUs_ + duration};
    sink_->OnMove(move);
    lastMove_ = move;
    x_ = x;
    y_ = y;
    cursorUs_ = move.t1 + int64_t{delayAfter} * 10;
}

void VirtualCard::Dot(uint16_t duration10us) {
    Move dot{MoveKind::kDot, x_, y_, x_, y_, laserEnabled_ ? power_ : 0.0, cursorUs_,
             cursorUs_ + int64_t{duration10us} * 10};
    sink_->OnMove(dot);
    lastMove_ = dot;
    cursorUs_ = dot.t1;
}

void VirtualCard::Wait(int64_t us) { cursorUs_ += us; }

void VirtualCard::RunBitmap(const BitmapLine& line) {
    MoveTo(line.x0, line.y0, MoveKind::kJump, jumpDelay_);
    const size_t n = line.delays.size();
    const double dx = n > 1 ? double(line.x1 - line.x0) / double(n - 1) : 0.0;
    const double dy = n > 1 ? double(line.y1 - line.y0) / double(n - 1) : 0.0;
    const double step = std::hypot(dx, dy);
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && markSpeed_ > 0) cursorUs_ += static_cast<int64_t>(step / markSpeed_ * 1000.0);
        x_ = line.x0 + dx * double(i);
        y_ = line.y0 + dy * double(i);
        if (line.delays[i] == 0) continue;
        Move dot{MoveKind::kDot, x_, y_, x_, y_, laserEnabled_ ? power_ : 0.0, cursorUs_,
                 cursorUs_ + line.delays[i]};
        sink_->OnMove(dot);
        lastMove_ = dot;
        cursorUs_ = dot.t1;
    }
}

void VirtualCard::EndOfPass() {
    ++passes_;
    ++counts_;
    if (loop_ && (maxCounts_ == 0 || passes_ < maxCounts_)) {
        pc_ = 0;
        return;
    }
    if (autChange_) {
        autChange_ = false;
        const int other = 1 - runningIndex_;
        if (!lists_[other]->entries.empty()) {
            running_ = lists_[other];
            runningIndex_ = other;
            pc_ = 0;
            passes_ = 0;
            return;
        }
    }
    loop_ = false;
    running_.reset();
}

void VirtualCard::GotoListStart(int index) {
    if (index <= 1 && !lists_[index]->entries.empty()) {
        running_ = lists_[index];
        runningIndex_ = index;
    }
    pc_ = 0;
}

void VirtualCard::Skip(int64_t target) {
    pc_ = static_cast<size_t>(std::clamp<int64_t>(target, 0, int64_t(running_->entries.size())));
}

void VirtualCard::ExecuteEntry(const ListEntry& e) {
    if (e.bitmap >= 0) {
        RunBitmap(running_->bitmaps[static_cast<size_t>(e.bitmap)]);
        return;
    }
    const double p1 = S(e.param1), p2 = S(e.param2);
    const int64_t here = static_cast<int64_t>(pc_);  // the record after this one
    switch (e.opcode) {
        case 1: MoveTo(p1, p2, MoveKind::kMark, polyDelay_); break;
        case 2: MoveTo(p1, p2, MoveKind::kMark, polyDelay_); break;
        case 3: MoveTo(p1, p2, MoveKind::kMark, markDelay_); break;
        case 4: MoveTo(x_ + p1, y_ + p2, MoveKind::kMark, polyDelay_); break;
        case 5: MoveTo(x_ + p1, y_ + p2, MoveKind::kMark, polyDelay_); break;
        case 6: MoveTo(x_ + p1, y_ + p2, MoveKind::kMark, markDelay_); break;
        case 7:
        case 51: MoveTo(x_ + p1, y_ + p2, MoveKind::kJump, jumpDelay_); break;
        case 8: MoveTo(x_ + p1, y_ + p2, MoveKind::kMark, markDelay_); break;
        case 9:
        case 30: MoveTo(p1, p2, MoveKind::kJump, jumpDelay_); break;
        case 10: MoveTo(p1, p2, MoveKind::kMark, markDelay_); break;
        case 11: Dot(e.param1); break;
        case 12:
        case 14: Wait(int64_t{e.param1} * 10); break;
        case 15: power_ = (e.param1 >> 8) / 255.0; break;
        case 16: EndOfPass(); break;
        case 19: wobbleWidth_ = e.param1; wobblePeriod_ = e.param2; break;
        case 26: stepPeriod_ = e.param1; jumpDelay_ = e.param2; break;
        case 27: laserOffDelay_ = e.param1; laserOnDelay_ = e.param2; break;
        case 28: t3_ = e.param1; t4_ = e.param2; break;
        case 32: markDelay_ = e.param1; polyDelay_ = e.param2; break;
        case 48: t1_ = e.param1; t2_ = e.param2; break;
        case 112:
            if ((variable_ & e.param2) != 0) Skip(here - 1 - int64_t(p1));
            break;
        case 116:
            if (e.param1 > 0) {
                stepPeriod_ = e.param1;
                markSpeed_ = double(e.param2) / double(e.param1) * 1000.0;
            }
            break;
        case 135:
            ports_[e.param1] = e.param2;
            if (e.param1 == 40) power_ = e.param2 / 65535.0;
            break;
        case 139:
        case 142:
            counterTarget_ = e.opcode == 139 ? (uint32_t{e.param2} << 16) | e.param1
                                             : uint32_t(std::max(0.0, p1));
            if (externalCounter_ < counterTarget_) waitFor_ = WaitFor::kCounter;
            break;
        case 145:
            if (e.param1 > 0) jumpSpeed_ = double(e.param2) / double(e.param1) * 1000.0;
            break;
        case 150: headMask_ = e.param1; break;
        case 151:
            if (maxCounts_ == 0 || passes_ + 1 < maxCounts_) {
                ++passes_;
                ++counts_;
                GotoListStart(e.param1);
            }
            break;
        case 153: waitFor_ = WaitFor::kExternalStart; break;
        case 163: autoJumpDelay_ = e.param1; autoJumpLength_ = e.param2; break;
        case 180: jobControl_ = e.param1; break;
        case 181: GotoListStart(e.param1); break;
        case 182:
            if ((variable_ & e.param2) != 0) Skip(here + int64_t(p1));
            break;
        case 183:
            if (++skipCounter_ < e.param2) {
                Skip(here + int64_t(p1));
            } else {
                skipCounter_ = 0;
            }
            break;
        case 184: variable_ = ports_[e.param1]; break;
        case 185: variable_ = jobControl_; break;
        case 186: skipCounter_ = e.param1; break;
        case 192: dotDistance_ = e.param1; dotDuration_ = e.param2; break;
        case 196:
            MoveTo(p1, p2, MoveKind::kJump, jumpDelay_);
            Dot(dotDuration_);
            break;
        case 193:
        case 194:
        case 195:
            MoveTo(p1, p2, MoveKind::kMark, e.opcode == 195 ? markDelay_ : polyDelay_);
            Dot(dotDuration_);
            break;
        case 208: case 210: case 212: case 214: case 216: {
            if (pc_ < running_->entries.size() && running_->entries[pc_].opcode == e.opcode + 1) {
                z_ = S(running_->entries[pc_].param1);
                ++pc_;
            }
            const bool jump = e.opcode == 208;
            MoveTo(p1, p2, jump ? MoveKind::kJump : MoveKind::kMark,
                   jump ? jumpDelay_ : (e.opcode == 216 || e.opcode == 210 ? markDelay_ : polyDelay_));
            break;
        }
        default:
            break;  // records without an effect on the head (141, unknown opcodes...)
    }
}

}  // namespace txorb::sim
