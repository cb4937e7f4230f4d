// Manual moves: while a manual move is on, the head travels DX, DY bits per millisecond of
// simulated time, marking when the laser is switched on by hand. The travel becomes one
// logged move whenever something about it changes.
#include <algorithm>
#include <cmath>

#include "virtual_card.h"

namespace txorb::sim {

void VirtualCard::ManualPosition(int64_t nowUs, double* x, double* y) const {
    const double ms = double(nowUs - manualSinceUs_) / 1000.0;
    *x = std::clamp(x_ + manualDx_ * ms, -32768.0, 32767.0);
    *y = std::clamp(y_ + manualDy_ * ms, -32768.0, 32767.0);
}

void VirtualCard::SettleManualMove(int64_t nowUs) {
    if (!manualMove_) return;
    double x = 0, y = 0;
    ManualPosition(nowUs, &x, &y);
    if (x != x_ || y != y_) {
        const bool marking = manualLaser_ && laserEnabled_;
        Move move{marking ? MoveKind::kMark : MoveKind::kJump,
                  x_,
                  y_,
                  x,
                  y,
                  marking ? power_ : 0.0,
                  manualSinceUs_,
                  nowUs,
                  false,
                  std::hypot(double(manualDx_), double(manualDy_))};
        sink_->OnMove(move);
        x_ = x;
        y_ = y;
    }
    manualSinceUs_ = nowUs;
}

}  // namespace txorb::sim
