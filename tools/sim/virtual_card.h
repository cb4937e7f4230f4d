// The card's model: its settings, its two list memories, the list executor and the manual
// mode, all in simulated time. One packet in, one reply out; nothing here knows about ptys,
// sockets or faults. The model is described for users in tools/sim/README.md.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "moves.h"
#include "proto/list_records.h"
#include "proto/packet.h"

namespace txorb::sim {

class TargetDisk;

// Bits of the status word returned by Read_Status.
namespace status {
inline constexpr uint16_t kBusy = 0x0001;
inline constexpr uint16_t kLoop = 0x0002;
inline constexpr uint16_t kList1Ready = 0x0004;
inline constexpr uint16_t kList2Ready = 0x0008;
inline constexpr uint16_t kRunningList2 = 0x0010;
inline constexpr uint16_t kWaiting = 0x0020;
inline constexpr uint16_t kManualOperation = 0x0040;
inline constexpr uint16_t kManualMove = 0x0080;
inline constexpr uint16_t kManualLaser = 0x0100;
inline constexpr uint16_t kLaserEnabled = 0x0200;
inline constexpr uint16_t kMode3D = 0x0400;
inline constexpr uint16_t kAutChangePending = 0x0800;
}  // namespace status

// The card's fixed identity.
inline constexpr uint16_t kFirmwareVersion = 512;
inline constexpr uint16_t kKrt1Version = 257;
inline constexpr uint32_t kIdent = 0x54584F52;  // "TXOR"
inline constexpr uint16_t kCpuType = 2;
inline constexpr uint16_t kModeMask = 0x03FF;
inline constexpr size_t kCorrectionTableBytes = 25350;
// The I/O port whose value sets the laser power (value / 65535); full power at power-up.
inline constexpr uint16_t kPowerPort = 40;
inline constexpr uint16_t kPowerPortAtPowerUp = 0xFFFF;

// A record as the list memory keeps it, six bytes, for a list may hold millions. A bitmap line
// stands in the list as an entry whose two words are its index in ListMemory::bitmaps.
struct ListEntry {
    uint8_t opcode = 0;
    bool bitmapLine = false;
    uint16_t param1 = 0;
    uint16_t param2 = 0;

    static ListEntry ForBitmapLine(size_t index) {
        return ListEntry{0, true, static_cast<uint16_t>(index), static_cast<uint16_t>(index >> 16)};
    }
    size_t Bitmap() const { return size_t{param1} | size_t{param2} << 16; }
};

struct BitmapLine {
    int16_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    std::vector<uint16_t> delays;  // microseconds per pixel; 0 leaves the pixel unmarked
};

struct ListMemory {
    std::vector<ListEntry> entries;
    std::vector<BitmapLine> bitmaps;
    bool closed = false;  // the end-of-list record has arrived
};

class VirtualCard {
public:
    VirtualCard(MoveSink* sink, TargetDisk* disk);

    // Executes what is due up to this simulated time.
    void AdvanceTo(int64_t nowUs);
    // Carries out one packet at simulated time nowUs and puts the reply's data (the status
    // byte, or the data of a query) in reply; a packet without a reply leaves it empty.
    void Handle(const proto::Packet& packet, int64_t nowUs, std::vector<uint8_t>* reply);
    // The simulated time at which the executor has something to do next, or -1.
    int64_t NextEventUs() const;

    uint16_t StatusWord(int64_t nowUs) const;
    void ExternalStart(int64_t nowUs);
    // The start input as the card's surroundings drive it: with autoStart,
    // Wait_For_External_Start does not wait; with everyUs > 0 the input also fires at every
    // multiple of everyUs of simulated time.
    void SetStartInput(bool autoStart, int64_t everyUs);
    // When the executor's clock stands: the end of the last record run.
    int64_t ListTimeUs() const { return cursorUs_; }
    void SetExternalCounter(uint32_t value, int64_t nowUs);
    void SetJobControl(uint16_t value) { jobControl_ = value; }
    std::string StateJson(int64_t nowUs) const;

private:
    // Immediate commands; false means "not executed" (status 0). Each group answers
    // nothing (nullopt) for an opcode that is not its own.
    bool Execute(uint8_t opcode, const std::vector<uint8_t>& payload, int64_t nowUs);
    std::optional<bool> ExecuteListCommand(uint8_t opcode, const std::vector<uint8_t>& payload,
                                           int64_t nowUs);
    std::optional<bool> ExecuteHeadCommand(uint8_t opcode, const std::vector<uint8_t>& payload,
                                           int64_t nowUs);
    std::optional<bool> ExecuteFileCommand(uint8_t opcode, const std::vector<uint8_t>& payload);
    bool ExecuteSetter(uint8_t opcode, const std::vector<uint8_t>& payload);
    bool GotoNow(int16_t x, int16_t y, int64_t nowUs);
    void Store3DParameters(const std::vector<uint8_t>& payload);
    void Query(uint8_t opcode, const std::vector<uint8_t>& payload, int64_t nowUs,
               std::vector<uint8_t>* reply);
    bool StoreListRecords(const std::vector<uint8_t>& payload, int64_t nowUs);
    bool StoreBitmapLine(const std::vector<uint8_t>& payload, int64_t nowUs);
    bool StartList(int index, int64_t nowUs);
    void StopAt(int64_t nowUs, bool clearLists);
    // Lets a list that ran dry go on with records that have just arrived.
    void Resume(int64_t nowUs);
    bool LoadCorrection(int table, const uint8_t* data, size_t count);
    bool Running() const { return running_ != nullptr; }
    void PositionAt(int64_t nowUs, double* x, double* y) const;

    // List execution (list_execution.cpp).
    void ExecuteEntry(const ListEntry& entry);
    // Each group answers false for a record that is not its own.
    bool ExecuteMotionRecord(const ListEntry& entry);
    bool ExecuteFlowRecord(const ListEntry& entry);
    void ExecuteSettingRecord(const ListEntry& entry);
    void Move3D(const ListEntry& first);
    void MoveTo(double x, double y, MoveKind kind, uint16_t delayAfter, bool inPixelLine = false);
    void Dot(uint16_t duration10us);
    void RunBitmap(const BitmapLine& line);
    void EndOfPass();
    void GotoListStart(int index);
    void Skip(int64_t target);  // continue at this record index
    void Wait(int64_t us);
    int64_t NextStartTickUs() const;
    // Ends a wait for the external start when a tick of the start input is due by nowUs.
    bool StartTickReleases(int64_t nowUs);

    // Manual mode (manual_mode.cpp).
    void SettleManualMove(int64_t nowUs);
    void ManualPosition(int64_t nowUs, double* x, double* y) const;

    MoveSink* sink_;
    TargetDisk* disk_;

    // Settings.
    double jumpSpeed_ = 1000.0;  // bits per millisecond
    double markSpeed_ = 250.0;
    uint16_t stepPeriod_ = 10, jumpDelay_ = 0, markDelay_ = 0, polyDelay_ = 0;
    uint16_t laserOffDelay_ = 0, laserOnDelay_ = 0, t1_ = 0, t2_ = 0, t3_ = 0, t4_ = 0;
    uint16_t manualDelay_ = 0, maxCounts_ = 0, mode_ = 0, yagPrescaler_ = 0, digGain_ = 0;
    uint16_t markShift_ = 0, headMask_ = 1, dotDistance_ = 0, dotDuration_ = 1;
    uint16_t wobbleWidth_ = 0, wobblePeriod_ = 0, autoJumpDelay_ = 0, autoJumpLength_ = 0;
    uint16_t dtrSelector_ = 0, dsrSelector_ = 0;
    double gainX_ = 1.0, gainY_ = 1.0, digGainEx_ = 1.0, rotation_ = 0.0;
    int16_t offsetX_ = 0, offsetY_ = 0;
    double power_ = 1.0;  // fraction, from port 40 or the D/A
    bool laserEnabled_ = true;
    bool mode3D_ = false;
    std::vector<uint16_t> ports_;
    std::map<int32_t, std::array<uint8_t, 64>> params3D_;
    std::array<std::vector<uint8_t>, 5> corrections_;  // tables 1..4
    std::string bootProgram_;

    // List memories and execution.
    std::array<std::shared_ptr<ListMemory>, 2> lists_;
    int loadList_ = 0;
    std::shared_ptr<ListMemory> running_;  // null when idle
    int runningIndex_ = 0;
    size_t pc_ = 0;
    int64_t cursorUs_ = 0;  // when the next record starts
    bool starved_ = false;  // reached the end of a list still being loaded
    enum class WaitFor : uint8_t {
        kNothing,
        kExternalStart,
        kCounter
    } waitFor_ = WaitFor::kNothing;
    uint32_t counterTarget_ = 0;
    bool autoStart_ = false;
    int64_t startEveryUs_ = 0;
    int64_t waitSinceUs_ = 0;
    bool loop_ = false;
    bool autChange_ = false;
    uint32_t passes_ = 0;  // passes of the running list since it was started
    int32_t counts_ = 0;   // passes completed since power-up
    uint16_t startAttempts_ = 0;
    uint16_t jobControl_ = 0, variable_ = 0, counterList_ = 0, skipCounter_ = 0;
    uint32_t externalCounter_ = 0;
    double x_ = 0, y_ = 0, z_ = 0;  // where the head is (or is going) after the last record
    Move lastMove_{};

    // Manual mode.
    bool manualOperation_ = false, manualMove_ = false, manualLaser_ = false;
    int16_t manualDx_ = 0, manualDy_ = 0;
    int64_t manualSinceUs_ = 0;
};

}  // namespace txorb::sim
