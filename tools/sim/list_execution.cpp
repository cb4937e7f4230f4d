// The list executor: records run one after the other in simulated time; a record starts when
// the one before it has finished (its move, then its delay). Every record costs at least 1 us,
// so a list that loops on itself still lets time pass.
#include <algorithm>
#include <cmath>

#include "proto/opcodes.h"
#include "virtual_card.h"

namespace txorb::sim {
namespace {

namespace list_op = proto::list_op;

constexpr int kRecordsPerAdvance = 200000;  // bounds one call; the rest waits for the next

double Clamp16(double v) { return std::clamp(v, -32768.0, 32767.0); }
double S(uint16_t v) { return static_cast<int16_t>(v); }

}  // namespace

void VirtualCard::AdvanceTo(int64_t nowUs) {
    int budget = kRecordsPerAdvance;
    while (running_ && cursorUs_ <= nowUs && budget-- > 0) {
        if (waitFor_ != WaitFor::kNothing && !StartTickReleases(nowUs)) return;
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
    if (!running_) return -1;
    if (waitFor_ == WaitFor::kExternalStart && startEveryUs_ > 0) {
        return std::max(cursorUs_, NextStartTickUs());
    }
    if (waitFor_ != WaitFor::kNothing) return -1;
    if (starved_ || pc_ >= running_->entries.size()) return -1;
    return cursorUs_;
}

void VirtualCard::SetStartInput(bool autoStart, int64_t everyUs) {
    autoStart_ = autoStart;
    startEveryUs_ = std::max<int64_t>(0, everyUs);
}

// The start input's first tick after the wait began: a wait that begins on a tick waits for
// the next one.
int64_t VirtualCard::NextStartTickUs() const {
    return (waitSinceUs_ / startEveryUs_ + 1) * startEveryUs_;
}

bool VirtualCard::StartTickReleases(int64_t nowUs) {
    if (waitFor_ != WaitFor::kExternalStart || startEveryUs_ <= 0) return false;
    const int64_t tick = NextStartTickUs();
    if (tick > nowUs) return false;
    waitFor_ = WaitFor::kNothing;
    cursorUs_ = std::max(cursorUs_, tick);
    return true;
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

void VirtualCard::MoveTo(double x, double y, MoveKind kind, uint16_t delayAfter, bool inPixelLine) {
    x = Clamp16(x);
    y = Clamp16(y);
    const double speed = kind == MoveKind::kJump ? jumpSpeed_ : markSpeed_;
    // Both ends lie in the 16-bit field, so the squares are exact for whole bits and a plain
    // root serves (std::hypot guards against overflow that cannot happen here, at some cost).
    const double dx = x - x_, dy = y - y_;
    const double distance = std::sqrt(dx * dx + dy * dy);
    // Speeds are bits per millisecond; a speed of 0 or less moves at once.
    const double us = speed > 0 ? distance / speed * 1000.0 : 0.0;
    const int64_t duration = static_cast<int64_t>(std::min(us, 3.6e12));
    Move move{kind,        x_,
              y_,          x,
              y,           kind == MoveKind::kMark && laserEnabled_ ? power_ : 0.0,
              cursorUs_,   cursorUs_ + duration,
              inPixelLine, speed > 0 ? speed : 0.0};
    sink_->OnMove(move);
    lastMove_ = move;
    x_ = x;
    y_ = y;
    cursorUs_ = move.t1 + int64_t{delayAfter} * 10;
}

void VirtualCard::Dot(uint16_t duration10us) {
    Move dot{MoveKind::kDot,
             x_,
             y_,
             x_,
             y_,
             laserEnabled_ ? power_ : 0.0,
             cursorUs_,
             cursorUs_ + int64_t{duration10us} * 10};
    sink_->OnMove(dot);
    lastMove_ = dot;
    cursorUs_ = dot.t1;
}

void VirtualCard::Wait(int64_t us) { cursorUs_ += us; }

void VirtualCard::RunBitmap(const BitmapLine& line) {
    MoveTo(line.x0, line.y0, MoveKind::kJump, jumpDelay_, true);
    const double power = laserEnabled_ ? power_ : 0.0;
    sink_->OnPixelLine(PixelLine{double(line.x0), double(line.y0), double(line.x1), double(line.y1),
                                 line.delays, power});
    const size_t n = line.delays.size();
    const double dx = n > 1 ? double(line.x1 - line.x0) / double(n - 1) : 0.0;
    const double dy = n > 1 ? double(line.y1 - line.y0) / double(n - 1) : 0.0;
    const double step = std::hypot(dx, dy);
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && markSpeed_ > 0) cursorUs_ += static_cast<int64_t>(step / markSpeed_ * 1000.0);
        x_ = line.x0 + dx * double(i);
        y_ = line.y0 + dy * double(i);
        if (line.delays[i] == 0) continue;
        const Move dot{
            MoveKind::kDot, x_, y_, x_, y_, power, cursorUs_, cursorUs_ + line.delays[i], true};
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
    if (e.bitmapLine) {
        RunBitmap(running_->bitmaps[e.Bitmap()]);
        return;
    }
    if (ExecuteMotionRecord(e) || ExecuteFlowRecord(e)) return;
    ExecuteSettingRecord(e);
}

bool VirtualCard::ExecuteMotionRecord(const ListEntry& e) {
    const double p1 = S(e.param1), p2 = S(e.param2);
    switch (e.opcode) {
        case list_op::kPolBAbs:
        case list_op::kPolAAbs: MoveTo(p1, p2, MoveKind::kMark, polyDelay_); return true;
        case list_op::kPolCAbs: MoveTo(p1, p2, MoveKind::kMark, markDelay_); return true;
        case list_op::kPolARel:
        case list_op::kPolBRel: MoveTo(x_ + p1, y_ + p2, MoveKind::kMark, polyDelay_); return true;
        case list_op::kPolCRel:
        case list_op::kMarkRel: MoveTo(x_ + p1, y_ + p2, MoveKind::kMark, markDelay_); return true;
        case list_op::kJumpRel:
        case list_op::kResetJumpListRel:
            MoveTo(x_ + p1, y_ + p2, MoveKind::kJump, jumpDelay_);
            return true;
        case list_op::kJumpAbs:
        case list_op::kResetJumpList: MoveTo(p1, p2, MoveKind::kJump, jumpDelay_); return true;
        case list_op::kMarkAbs: MoveTo(p1, p2, MoveKind::kMark, markDelay_); return true;
        case list_op::kLaserOn: Dot(e.param1); return true;
        case list_op::kLaserOff:
        case list_op::kLongDelay: Wait(int64_t{e.param1} * 10); return true;
        case list_op::kMarkAbsDot:
            MoveTo(p1, p2, MoveKind::kJump, jumpDelay_);
            Dot(dotDuration_);
            return true;
        case list_op::kPolAAbsDot:
        case list_op::kPolBAbsDot:
        case list_op::kPolCAbsDot:
            MoveTo(p1, p2, MoveKind::kMark,
                   e.opcode == list_op::kPolCAbsDot ? markDelay_ : polyDelay_);
            Dot(dotDuration_);
            return true;
        case list_op::kJumpAbs3D:
        case list_op::kMarkAbs3D:
        case list_op::kPolAAbs3D:
        case list_op::kPolBAbs3D:
        case list_op::kPolCAbs3D: Move3D(e); return true;
        default: return false;
    }
}

void VirtualCard::Move3D(const ListEntry& first) {
    // The partner record, when it follows, carries Z; X and Y come from the first.
    const proto::ListOpcodeInfo* info = proto::FindListOpcode(first.opcode);
    if (pc_ < running_->entries.size() && info != nullptr &&
        running_->entries[pc_].opcode == info->secondHalf) {
        z_ = S(running_->entries[pc_].param1);
        ++pc_;
    }
    const double x = S(first.param1), y = S(first.param2);
    switch (first.opcode) {
        case list_op::kJumpAbs3D: MoveTo(x, y, MoveKind::kJump, jumpDelay_); break;
        case list_op::kMarkAbs3D:
        case list_op::kPolCAbs3D: MoveTo(x, y, MoveKind::kMark, markDelay_); break;
        default: MoveTo(x, y, MoveKind::kMark, polyDelay_); break;
    }
}

bool VirtualCard::ExecuteFlowRecord(const ListEntry& e) {
    const int64_t next = static_cast<int64_t>(pc_);  // the record after this one
    const int64_t skip = static_cast<int16_t>(e.param1);
    switch (e.opcode) {
        case list_op::kSetEndOfList: EndOfPass(); return true;
        case list_op::kSkipVarListBack:
            if ((variable_ & e.param2) != 0) Skip(next - 1 - skip);
            return true;
        case list_op::kSkipVarList:
            if ((variable_ & e.param2) != 0) Skip(next + skip);
            return true;
        case list_op::kSkipCounterList:
            if (++skipCounter_ < e.param2) {
                Skip(next + skip);
            } else {
                skipCounter_ = 0;
            }
            return true;
        case list_op::kWaitForCounterValueEx:
        case list_op::kWaitForCounterValue:
            counterTarget_ = e.opcode == list_op::kWaitForCounterValueEx
                                 ? (uint32_t{e.param2} << 16) | e.param1
                                 : uint32_t(std::max<int64_t>(0, skip));
            if (externalCounter_ < counterTarget_) waitFor_ = WaitFor::kCounter;
            return true;
        case list_op::kWaitForExternalStart:
            if (!autoStart_) waitFor_ = WaitFor::kExternalStart;
            waitSinceUs_ = cursorUs_;
            return true;
        case list_op::kLoopToStartList:
            if (maxCounts_ == 0 || passes_ + 1 < maxCounts_) {
                ++passes_;
                ++counts_;
                GotoListStart(e.param1);
            }
            return true;
        case list_op::kJumpToStartList: GotoListStart(e.param1); return true;
        default: return false;
    }
}

void VirtualCard::ExecuteSettingRecord(const ListEntry& e) {
    switch (e.opcode) {
        case list_op::kWriteDAList: power_ = (e.param1 >> 8) / 255.0; break;
        case list_op::kSetWobbleList:
            wobbleWidth_ = e.param1;
            wobblePeriod_ = e.param2;
            break;
        case list_op::kSetDelays12:
            stepPeriod_ = e.param1;
            jumpDelay_ = e.param2;
            break;
        case list_op::kSetDelays56:
            laserOffDelay_ = e.param1;
            laserOnDelay_ = e.param2;
            break;
        case list_op::kSetDelays910:
            t3_ = e.param1;
            t4_ = e.param2;
            break;
        case list_op::kSetDelays34:
            markDelay_ = e.param1;
            polyDelay_ = e.param2;
            break;
        case list_op::kSetDelays78:
            t1_ = e.param1;
            t2_ = e.param2;
            break;
        case list_op::kSetMarkParametersList:
            // Step size over step period (µs) makes the speed in bits per millisecond.
            if (e.param1 > 0) {
                stepPeriod_ = e.param1;
                markSpeed_ = double(e.param2) / double(e.param1) * 1000.0;
            }
            break;
        case list_op::kSetJumpParametersList:
            if (e.param1 > 0) jumpSpeed_ = double(e.param2) / double(e.param1) * 1000.0;
            break;
        case list_op::kWritePortList:
            ports_[e.param1] = e.param2;
            if (e.param1 == kPowerPort) power_ = e.param2 / 65535.0;
            break;
        case list_op::kSetHeadMask: headMask_ = e.param1; break;
        case list_op::kSetAutoJumpDelayList:
            autoJumpDelay_ = e.param1;
            autoJumpLength_ = e.param2;
            break;
        case list_op::kSetJobControlList: jobControl_ = e.param1; break;
        case list_op::kReadPortToVarList: variable_ = ports_[e.param1]; break;
        case list_op::kJobControlToVarList: variable_ = jobControl_; break;
        case list_op::kSetCounterList: skipCounter_ = e.param1; break;
        case list_op::kSetDotParametersList:
            dotDistance_ = e.param1;
            dotDuration_ = e.param2;
            break;
        default: break;  // records without an effect on the model (Mark_Immediately, unknown ones)
    }
}

}  // namespace txorb::sim
