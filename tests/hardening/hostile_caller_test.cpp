// Hostile callers: null pointers, empty and 10,000-character texts. Each call must give its
// documented refusal, write nothing outside its outputs, leave nothing half-sent, and the card
// must take the next command as if nothing had happened.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/process_state.h"
#include "support/card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;
using test::ShownReports;
using test::Strings;

const std::string kLongText(10000, 'a');
const char* const kLong = kLongText.c_str();
int16_t g_y;

struct Outcome {
    int64_t result;
    uint32_t shown;  // the code of the one report shown, 0 for none
    uint32_t lastError;
};

struct Row {
    std::string call;
    std::function<int64_t()> run;
    Outcome withCard;
    Outcome withoutCard;
    int opcode = -1;  // the one packet the call sends with a card, -1 for none
    size_t payload = 0;
    std::string Name() const { return call.substr(0, call.find('(')); }
};
#define HOSTILE(call, ...) \
    { \
#call, [] { return call; }, __VA_ARGS__ \
    }

// Rows whose refusals the export tests do not already show, with and without a card: which
// check comes first is part of each contract. A Make_Boot_Program name field is 12 bytes; the
// other names travel whole with their terminator.
const Row kRows[] = {
    HOSTILE(Get_XY_Pos(nullptr, &g_y), {0, 19, 19}, {0, 19, 19}),
    HOSTILE(Get_XY_Manual(nullptr, &g_y), {0, 0, 19}, {0, 0, 19}),
    HOSTILE(Read_Port(5, nullptr), {0, 19, 0}, {0, 19, 0}),
    HOSTILE(Test_Read_Port(5, nullptr), {0, 0, 0}, {0, 0, 0}),
    HOSTILE(Read_DSR_State(nullptr), {0, 19, 0}, {0, 26, 26}),
    HOSTILE(Put_Bitmapline_List(0, 0, 9, 9, nullptr, 4), {0, 10, 0}, {0, 26, 26}),
    HOSTILE(Load_Corr_File_From_Target_Disk(nullptr), {0, 20, 0}, {0, 26, 26}),
    HOSTILE(Copy_File_To_Target_Disk(nullptr), {0, 0, 0}, {0, 0, 26}),
    HOSTILE(Delete_File_On_Target_Disk(nullptr), {0, 0, 0}, {0, 0, 26}),
    HOSTILE(Make_Boot_Program(nullptr), {0, 0, 0}, {0, 0, 26}),
    HOSTILE(Output_To_File(nullptr), {1, 0, 0}, {0, 0, 26}),
    HOSTILE(Load_Cor(""), {0, 20, 0}, {0, 26, 26}),
    HOSTILE(Load_Corr_N("", 1), {0, 20, 0}, {0, 26, 26}),
    HOSTILE(Load_Corr_File_From_Target_Disk(""), {0, 20, 0}, {0, 26, 26}),
    HOSTILE(Copy_File_To_Target_Disk(""), {0, 0, 0}, {0, 0, 26}),
    HOSTILE(Delete_File_On_Target_Disk(""), {0, 0, 0}, {0, 0, 26}),
    HOSTILE(Make_Boot_Program(""), {1, 0, 0}, {0, 0, 26}, 137, 12),
    HOSTILE(Output_To_File(""), {1, 0, 0}, {0, 0, 26}),
    HOSTILE(Load_Cor(kLong), {0, 20, 0}, {0, 26, 26}),
    HOSTILE(Load_Corr_File_From_Target_Disk(kLong), {1, 0, 0}, {0, 26, 26}, 149, 10001),
    HOSTILE(Copy_File_To_Target_Disk(kLong), {0, 0, 0}, {0, 0, 26}),
    HOSTILE(Delete_File_On_Target_Disk(kLong), {1, 0, 0}, {0, 0, 26}, 158, 10001),
    HOSTILE(Make_Boot_Program(kLong), {1, 0, 0}, {0, 0, 26}, 137, 12),
    HOSTILE(Output_To_File(kLong), {0, 0, 0}, {0, 0, 26}),
};

class HostileCaller : public test::CardTest {
protected:
    void Expect(const Row& row, const Outcome& o) {
        test::ClearShownReports();
        StoreLastErrorCode(0);
        EXPECT_EQ(row.run(), o.result) << row.call;
        const Strings shown = {std::to_string(o.shown) + " " + row.Name()};
        EXPECT_EQ(ShownReports(), o.shown != 0 ? shown : Strings{}) << row.call;
        EXPECT_EQ(Get_Last_Error_Code(), o.lastError) << row.call;
    }
};

TEST_F(HostileCaller, EveryPointerAndTextExportRefusesWithItsCodeAndTheCardCarriesOn) {
    for (const Row& row : kRows) Expect(row, row.withoutCard);
    EXPECT_TRUE(rtb.Packets().empty());
    Install();
    for (const Row& row : kRows) {
        rtb.Clear();
        Expect(row, row.withCard);
        // The next command must be the next packet, whole.
        const size_t sent = row.opcode < 0 ? 0 : 1;
        ASSERT_TRUE(Set_Jump_Delay(0x1234)) << row.call;
        ASSERT_TRUE(rtb.WaitForPackets(sent + 1, 3000)) << row.call;
        const auto packets = rtb.Packets();
        ASSERT_EQ(packets.size(), sent + 1) << row.call;
        EXPECT_EQ(test::Hex(packets.back().raw), "37 02 00 34 12") << row.call;
        if (sent == 1) {
            EXPECT_EQ(packets.front().opcode, row.opcode) << row.call;
            EXPECT_EQ(packets.front().payload.size(), row.payload) << row.call;
        }
    }
}

// Every output lives in one block of guard bytes, 16 of them on each side, so that a write
// past an output shows as a changed guard.
class GuardedOutputs {
public:
    GuardedOutputs() { std::memset(bytes_, kGuard, sizeof bytes_); }
    template <typename T>
    T* Take(size_t size = sizeof(T)) {
        at_ = (at_ + 16 + 7) & ~size_t{7};
        taken_.emplace_back(at_, at_ + size);
        at_ += size;
        return reinterpret_cast<T*>(bytes_ + at_ - size);
    }
    bool GuardsIntact() const {
        for (size_t i = 0; i < at_ + 16; ++i) {
            bool inside = false;
            for (const auto& [from, to] : taken_) inside |= i >= from && i < to;
            if (!inside && bytes_[i] != kGuard) return false;
        }
        return true;
    }

private:
    static constexpr uint8_t kGuard = 0xA5;
    alignas(8) uint8_t bytes_[1024];
    size_t at_ = 0;
    std::vector<std::pair<size_t, size_t>> taken_;
};

TEST_F(HostileCaller, OutputsAreWrittenWithinTheirBounds) {
    Install();
    rtb.ReplyTo(120, FakeRtb::Data({0x34, 0x12}));
    rtb.ReplyTo(129, FakeRtb::Data({0xCE, 0xFF}));
    rtb.ReplyTo(176, FakeRtb::Data({0x01, 0x02}));
    rtb.ReplyTo(114, FakeRtb::Data({0x0F, 0x00}));
    GuardedOutputs out;
    int16_t *x = out.Take<int16_t>(), *y = out.Take<int16_t>();
    ASSERT_TRUE(Get_XY_Pos(x, y));
    EXPECT_EQ(*x, 0x1234);
    EXPECT_EQ(*y, -50);
    uint16_t *mode = out.Take<uint16_t>(), *port = out.Take<uint16_t>();
    EXPECT_EQ(Get_Mode_Mask(mode), TXORB_ERR_OK);
    EXPECT_EQ(*mode, 0x0201);
    ASSERT_TRUE(Read_Port(3, port));
    EXPECT_EQ(*port, 0x000F);
    ASSERT_TRUE(Get_Custlist_Parameters(out.Take<double>(), out.Take<double>(), out.Take<double>(),
                                        out.Take<uint16_t>()));
    // The descriptor table: asked for 1,000 bytes, exactly 220 come.
    uint8_t* table = out.Take<uint8_t>(220);
    EXPECT_EQ(DLL_Status_Query(239, 0, reinterpret_cast<intptr_t>(table),
                               reinterpret_cast<int32_t*>(1000), nullptr),
              1);
    EXPECT_EQ(table[219], 0);  // the last byte of the last slot's record
    int32_t* serial = out.Take<int32_t>();
    EXPECT_EQ(DLL_Status_Query(233, 1, 0, serial, nullptr), 1);
    EXPECT_EQ(*serial, 3);
    EXPECT_TRUE(out.GuardsIntact());
}

}  // namespace
}  // namespace txorb
