#include "virtual_card.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "proto/opcodes.h"
#include "target_disk.h"

namespace txorb::sim {
namespace {

namespace op = proto::op;
namespace list_op = proto::list_op;

uint16_t U16(const std::vector<uint8_t>& p, size_t at) {
    return at + 2 <= p.size() ? proto::Le16(p.data() + at) : 0;
}
int16_t S16(const std::vector<uint8_t>& p, size_t at) { return static_cast<int16_t>(U16(p, at)); }
uint32_t U32(const std::vector<uint8_t>& p, size_t at) {
    return at + 4 <= p.size() ? proto::Le32(p.data() + at) : 0;
}
double F64(const std::vector<uint8_t>& p, size_t at) {
    double v = 0;
    if (at + 8 <= p.size()) std::memcpy(&v, p.data() + at, 8);
    return v;
}

void Put(std::vector<uint8_t>* out, const void* data, size_t count) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + count);
}
void PutU16(std::vector<uint8_t>* out, uint16_t v) {
    const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    Put(out, b, 2);
}
void PutU32(std::vector<uint8_t>* out, uint32_t v) {
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                          static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    Put(out, b, 4);
}

int16_t ToWord(double v) {
    const double r = std::floor(v + 0.5);
    if (r < -32768.0) return -32768;
    if (r > 32767.0) return 32767;
    return static_cast<int16_t>(r);
}

// A 12-byte name field (zero-filled, not necessarily terminated).
std::string NameField(const std::vector<uint8_t>& p) {
    size_t n = 0;
    while (n < 12 && n < p.size() && p[n] != 0) ++n;
    return std::string(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(n));
}

// A zero-terminated name that must fill the payload exactly.
bool TerminatedName(const std::vector<uint8_t>& p, std::string* name) {
    if (p.empty() || p.back() != 0) return false;
    name->assign(p.begin(), p.end() - 1);
    return name->find('\0') == std::string::npos;
}

}  // namespace

VirtualCard::VirtualCard(MoveSink* sink, TargetDisk* disk)
    : sink_(sink), disk_(disk), ports_(65536, 0) {
    lists_[0] = std::make_shared<ListMemory>();
    lists_[1] = std::make_shared<ListMemory>();
    ports_[kPowerPort] = kPowerPortAtPowerUp;
}

void VirtualCard::Handle(const proto::Packet& packet, int64_t nowUs, std::vector<uint8_t>* reply) {
    reply->clear();
    AdvanceTo(nowUs);
    const proto::CommandInfo* info = proto::FindCommand(packet.opcode);
    if (info == nullptr) {
        reply->push_back(0);
        return;
    }
    const bool sizeOk =
        info->payloadBytes < 0 || packet.payload.size() == static_cast<size_t>(info->payloadBytes);
    switch (info->reply) {
        case proto::ReplyKind::kNone:
            if (sizeOk) Execute(packet.opcode, packet.payload, nowUs);
            return;
        case proto::ReplyKind::kStatus:
            reply->push_back(sizeOk && Execute(packet.opcode, packet.payload, nowUs) ? 1 : 0);
            return;
        case proto::ReplyKind::kData:
            Query(packet.opcode, packet.payload, nowUs, reply);
            reply->resize(info->replyBytes, 0);
            return;
    }
}

bool VirtualCard::Execute(uint8_t opcode, const std::vector<uint8_t>& p, int64_t nowUs) {
    if (const std::optional<bool> done = ExecuteListCommand(opcode, p, nowUs)) return *done;
    if (const std::optional<bool> done = ExecuteHeadCommand(opcode, p, nowUs)) return *done;
    if (const std::optional<bool> done = ExecuteFileCommand(opcode, p)) return *done;
    return ExecuteSetter(opcode, p);
}

std::optional<bool> VirtualCard::ExecuteListCommand(uint8_t opcode, const std::vector<uint8_t>& p,
                                                    int64_t nowUs) {
    switch (opcode) {
        case op::kStopExecution:
        case op::kStopExecutionNoClear:
            SettleManualMove(nowUs);
            StopAt(nowUs, opcode == op::kStopExecution);
            return true;
        case op::kStartLoop: loop_ = true; return true;
        case op::kQuitLoop: loop_ = false; return true;
        case op::kAutChange: autChange_ = true; return true;
        case op::kExecuteList: return U16(p, 0) <= 1 && StartList(U16(p, 0), nowUs);
        case op::kSetStartList:
            if (U16(p, 0) > 1) return false;
            loadList_ = U16(p, 0);
            lists_[loadList_] = std::make_shared<ListMemory>();
            return true;
        case op::kListRecords: return StoreListRecords(p, nowUs);
        case op::kPutBitmaplineList:
        case op::kPutBitmaplineListAlg1:
        case op::kPutBitmaplineListAlg2: return StoreBitmapLine(p, nowUs);
        default: return std::nullopt;
    }
}

std::optional<bool> VirtualCard::ExecuteHeadCommand(uint8_t opcode, const std::vector<uint8_t>& p,
                                                    int64_t nowUs) {
    switch (opcode) {
        case op::kGotoXY:
        case op::kGotoXYEx: return GotoNow(S16(p, 0), S16(p, 2), nowUs);
        case op::kSetDXDYManual:
            SettleManualMove(nowUs);
            manualDx_ = S16(p, 0);
            manualDy_ = S16(p, 2);
            return true;
        case op::kStartManualOperation:
            if (Running()) return false;
            manualOperation_ = true;
            return true;
        case op::kStopManualOperation:
            SettleManualMove(nowUs);
            manualOperation_ = manualMove_ = manualLaser_ = false;
            return true;
        case op::kStartLaserManually:
        case op::kStopLaserManually:
            if (!manualOperation_) return false;
            SettleManualMove(nowUs);
            manualLaser_ = opcode == op::kStartLaserManually;
            return true;
        case op::kStartManualMove:
        case op::kStopManualMove:
            if (!manualOperation_) return false;
            SettleManualMove(nowUs);
            manualMove_ = opcode == op::kStartManualMove;
            manualSinceUs_ = nowUs;
            return true;
        default: return std::nullopt;
    }
}

bool VirtualCard::GotoNow(int16_t x, int16_t y, int64_t nowUs) {
    if (Running()) return false;
    SettleManualMove(nowUs);
    const Move jump{MoveKind::kJump, x_, y_, double(x), double(y), 0, nowUs, nowUs};
    sink_->OnMove(jump);
    lastMove_ = jump;
    x_ = jump.x1;
    y_ = jump.y1;
    return true;
}

std::optional<bool> VirtualCard::ExecuteFileCommand(uint8_t opcode, const std::vector<uint8_t>& p) {
    switch (opcode) {
        case op::kLoadCor: return LoadCorrection(1, p.data(), p.size());
        case op::kLoadCorrN: {
            const uint32_t table = U32(p, 0);
            return table >= 1 && table <= 4 &&
                   LoadCorrection(int(table), p.data() + 4, p.size() - 4);
        }
        case op::kLoadCorrFileFromTargetDisk: {
            std::string name;
            std::vector<uint8_t> data;
            return TerminatedName(p, &name) && disk_->Read(name, &data) &&
                   LoadCorrection(1, data.data(), data.size());
        }
        case op::kMakeBootProgram: {
            const std::string name = NameField(p);
            if (!disk_->Exists(name)) return false;
            bootProgram_ = name;
            return true;
        }
        case op::kCopyFileToTargetDisk:
            // A 12-byte name field, then the file.
            return p.size() >= 12 && disk_->Write(NameField(p), p.data() + 12, p.size() - 12);
        case op::kDeleteFileOnTargetDisk: {
            std::string name;
            return TerminatedName(p, &name) && disk_->Remove(name);
        }
        default: return std::nullopt;
    }
}

bool VirtualCard::ExecuteSetter(uint8_t opcode, const std::vector<uint8_t>& p) {
    switch (opcode) {
        case op::kSetSpeed:
            jumpSpeed_ = F64(p, 0);
            markSpeed_ = F64(p, 8);
            return true;
        case op::kWriteDA: power_ = (U16(p, 0) >> 8) / 255.0; return true;
        case op::kTestWritePort:
        case op::kWritePort:
            ports_[U16(p, 0)] = U16(p, 2);
            if (U16(p, 0) == kPowerPort) power_ = U16(p, 2) / 65535.0;
            return true;
        case op::kSetAutoDelay: stepPeriod_ = U16(p, 0); return true;
        case op::kSetJumpDelay: jumpDelay_ = U16(p, 0); return true;
        case op::kSetMarkDelay: markDelay_ = U16(p, 0); return true;
        case op::kSetPolyDelay: polyDelay_ = U16(p, 0); return true;
        case op::kSetLaserOffDelay: laserOffDelay_ = U16(p, 0); return true;
        case op::kSetLaserOnDelay: laserOnDelay_ = U16(p, 0); return true;
        case op::kSetT1: t1_ = U16(p, 0); return true;
        case op::kSetT2: t2_ = U16(p, 0); return true;
        case op::kSetT3: t3_ = U16(p, 0); return true;
        case op::kSetManualDelay: manualDelay_ = U16(p, 0); return true;
        case op::kEnableLaser: laserEnabled_ = true; return true;
        case op::kDisableLaser: laserEnabled_ = false; return true;
        case op::kSetMaxCounts: maxCounts_ = U16(p, 0); return true;
        case op::kSetMode:
            if ((U16(p, 0) & ~kModeMask) != 0) return false;
            mode_ = U16(p, 0);
            return true;
        case op::kSetYAGParameter: yagPrescaler_ = U16(p, 0); return true;
        case op::kSetGainX: gainX_ = F64(p, 0); return true;
        case op::kSetGainY: gainY_ = F64(p, 0); return true;
        case op::kSetOffsetX: offsetX_ = S16(p, 0); return true;
        case op::kSetOffsetY: offsetY_ = S16(p, 0); return true;
        case op::kSetJumpSpeed: jumpSpeed_ = F64(p, 0); return true;
        case op::kSetMarkSpeed: markSpeed_ = F64(p, 0); return true;
        case op::kSetDigGainEx: digGainEx_ = F64(p, 0); return true;
        case op::kSetDigGain: digGain_ = U16(p, 0); return true;
        case op::kSetRotGrad: rotation_ = F64(p, 0); return true;
        case op::kSetMarkShift: markShift_ = U16(p, 0); return true;
        case op::kSetDTRMirrorSelector: dtrSelector_ = U16(p, 0); return true;
        case op::kSetDSRMirrorSelector: dsrSelector_ = U16(p, 0); return true;
        case op::kSet3DMode: mode3D_ = true; return true;
        case op::kReset3DMode: mode3D_ = false; return true;
        case op::kSet3DParameters: Store3DParameters(p); return true;
        case op::kStartUpOpen:
        case op::kStartUpConfirm:
        case op::kRelease: return true;  // the start-up and removal handshakes
        default: return false;
    }
}

void VirtualCard::Store3DParameters(const std::vector<uint8_t>& p) {
    // The 64-byte block is filed under the head number it carries at offset 60.
    std::array<uint8_t, 64> block{};
    std::memcpy(block.data(), p.data(), std::min(p.size(), block.size()));
    params3D_[static_cast<int32_t>(U32(p, 60))] = block;
}

void VirtualCard::Query(uint8_t opcode, const std::vector<uint8_t>& p, int64_t nowUs,
                        std::vector<uint8_t>* reply) {
    double x = 0, y = 0;
    switch (opcode) {
        case op::kReadStatus: PutU16(reply, StatusWord(nowUs)); break;
        case op::kGetCounts: PutU32(reply, static_cast<uint32_t>(counts_)); break;
        case op::kTestReadPort:
        case op::kReadPort: PutU16(reply, ports_[U16(p, 0)]); break;
        case op::kGetVersion: PutU16(reply, kFirmwareVersion); break;
        case op::kGetKRT1Version: PutU16(reply, kKrt1Version); break;
        case op::kGetJumpSpeed: Put(reply, &jumpSpeed_, 8); break;
        case op::kGetMarkSpeed: Put(reply, &markSpeed_, 8); break;
        case op::kGetXYPosX:
        case op::kGetXYManualX:
            PositionAt(nowUs, &x, &y);
            PutU16(reply, static_cast<uint16_t>(ToWord(x)));
            break;
        case op::kGetXYPosY:
        case op::kGetXYManualY:
            PositionAt(nowUs, &x, &y);
            PutU16(reply, static_cast<uint16_t>(ToWord(y)));
            break;
        case op::kGetDXDYManualDX: PutU16(reply, static_cast<uint16_t>(manualDx_)); break;
        case op::kGetDXDYManualDY: PutU16(reply, static_cast<uint16_t>(manualDy_)); break;
        case op::kGetManualMove: reply->push_back(manualMove_ ? 1 : 0); break;
        case op::kGetHeadMask: PutU16(reply, headMask_); break;
        case op::kGetIdentEx: PutU32(reply, kIdent); break;
        case op::kGetModeMask: PutU16(reply, kModeMask); break;
        case op::kReadIntStartAttempts: PutU16(reply, startAttempts_); break;
        case op::kGet3DParameters: {
            const int32_t head = static_cast<int32_t>(U32(p, 0));
            std::array<uint8_t, 64> block{};
            auto it = params3D_.find(head);
            if (it != params3D_.end()) block = it->second;
            std::memcpy(block.data() + 60, &head, 4);
            Put(reply, block.data(), block.size());
            break;
        }
        case op::kGetCPUType: PutU16(reply, kCpuType); break;
        default: break;
    }
}

bool VirtualCard::StoreListRecords(const std::vector<uint8_t>& payload, int64_t nowUs) {
    if (payload.empty() || payload.size() % proto::kListRecordBytes != 0) return false;
    for (size_t at = 0; at < payload.size(); at += proto::kListRecordBytes) {
        if (lists_[loadList_]->closed) lists_[loadList_] = std::make_shared<ListMemory>();
        ListMemory& list = *lists_[loadList_];
        const ListEntry entry{payload[at], false, proto::Le16(&payload[at + 1]),
                              proto::Le16(&payload[at + 3])};
        list.entries.push_back(entry);
        if (entry.opcode == list_op::kSetEndOfList) list.closed = true;
    }
    Resume(nowUs);
    return true;
}

bool VirtualCard::StoreBitmapLine(const std::vector<uint8_t>& p, int64_t nowUs) {
    if (p.size() < 10 || p.size() % 2 != 0) return false;
    if (lists_[loadList_]->closed) lists_[loadList_] = std::make_shared<ListMemory>();
    ListMemory& list = *lists_[loadList_];
    BitmapLine line{S16(p, 0), S16(p, 2), S16(p, 4), S16(p, 6), {}};
    for (size_t at = 8; at + 2 <= p.size(); at += 2) line.delays.push_back(U16(p, at));
    list.bitmaps.push_back(std::move(line));
    list.entries.push_back(ListEntry::ForBitmapLine(list.bitmaps.size() - 1));
    Resume(nowUs);
    return true;
}

bool VirtualCard::StartList(int index, int64_t nowUs) {
    if (Running() || manualOperation_ || lists_[index]->entries.empty()) return false;
    running_ = lists_[index];
    runningIndex_ = index;
    pc_ = 0;
    passes_ = 0;
    cursorUs_ = nowUs;
    starved_ = false;
    waitFor_ = WaitFor::kNothing;
    ++startAttempts_;
    AdvanceTo(nowUs);
    return true;
}

void VirtualCard::StopAt(int64_t nowUs, bool clearLists) {
    PositionAt(nowUs, &x_, &y_);
    if (lastMove_.t1 > nowUs) lastMove_.t1 = nowUs;
    running_.reset();
    waitFor_ = WaitFor::kNothing;
    loop_ = autChange_ = starved_ = false;
    if (clearLists) {
        lists_[0] = std::make_shared<ListMemory>();
        lists_[1] = std::make_shared<ListMemory>();
    }
}

bool VirtualCard::LoadCorrection(int table, const uint8_t* data, size_t count) {
    if (count != kCorrectionTableBytes) return false;
    corrections_[static_cast<size_t>(table)].assign(data, data + count);
    return true;
}

void VirtualCard::PositionAt(int64_t nowUs, double* x, double* y) const {
    if (manualMove_) {
        ManualPosition(nowUs, x, y);
        return;
    }
    if (nowUs < lastMove_.t1 && lastMove_.t1 > lastMove_.t0) {
        const double f = double(nowUs - lastMove_.t0) / double(lastMove_.t1 - lastMove_.t0);
        *x = lastMove_.x0 + (lastMove_.x1 - lastMove_.x0) * f;
        *y = lastMove_.y0 + (lastMove_.y1 - lastMove_.y0) * f;
        return;
    }
    *x = x_;
    *y = y_;
}

uint16_t VirtualCard::StatusWord(int64_t nowUs) const {
    (void)nowUs;
    uint16_t word = 0;
    if (Running()) word |= status::kBusy;
    if (Running() && runningIndex_ == 1) word |= status::kRunningList2;
    if (Running() && waitFor_ != WaitFor::kNothing) word |= status::kWaiting;
    if (loop_) word |= status::kLoop;
    if (lists_[0]->closed) word |= status::kList1Ready;
    if (lists_[1]->closed) word |= status::kList2Ready;
    if (manualOperation_) word |= status::kManualOperation;
    if (manualMove_) word |= status::kManualMove;
    if (manualLaser_) word |= status::kManualLaser;
    if (laserEnabled_) word |= status::kLaserEnabled;
    if (mode3D_) word |= status::kMode3D;
    if (autChange_) word |= status::kAutChangePending;
    return word;
}

std::string VirtualCard::StateJson(int64_t nowUs) const {
    double x = 0, y = 0;
    PositionAt(nowUs, &x, &y);
    std::string corr;
    for (size_t t = 1; t < corrections_.size(); ++t) {
        if (t > 1) corr += ",";
        corr += std::to_string(corrections_[t].size());
    }
    char buf[1024];
    std::snprintf(buf, sizeof buf,
                  "{\"t_us\":%lld,\"status\":%u,\"x\":%d,\"y\":%d,\"z\":%d,\"jump_speed\":%.17g,"
                  "\"mark_speed\":%.17g,\"power\":%.6f,\"laser_enabled\":%s,\"counts\":%d,"
                  "\"list1\":%zu,\"list2\":%zu,\"load_list\":%d,\"mode\":%u,\"head_mask\":%u,"
                  "\"jump_delay\":%u,\"mark_delay\":%u,\"poly_delay\":%u,\"max_counts\":%u,"
                  "\"corrections\":[%s],\"boot_program\":\"%s\",\"heads_3d\":%zu,"
                  "\"start_attempts\":%u}",
                  static_cast<long long>(nowUs), StatusWord(nowUs), ToWord(x), ToWord(y),
                  ToWord(z_), jumpSpeed_, markSpeed_, power_, laserEnabled_ ? "true" : "false",
                  counts_, lists_[0]->entries.size(), lists_[1]->entries.size(), loadList_, mode_,
                  headMask_, jumpDelay_, markDelay_, polyDelay_, maxCounts_, corr.c_str(),
                  bootProgram_.c_str(), params3D_.size(), startAttempts_);
    return buf;
}

}  // namespace txorb::sim
