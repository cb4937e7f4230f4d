#include "cli/run/program_packets.h"

#include "proto/opcodes.h"

namespace txorb::cli {
namespace {

namespace list_op = proto::list_op;
using drawing::ListCommand;
using drawing::ListOp;

uint16_t Word(int32_t v) { return static_cast<uint16_t>(v); }
int16_t Signed(int32_t v) { return static_cast<int16_t>(v); }

// The records of one command: Set_Delays is five, in the library's order. False when the
// sink stopped the sending.
bool AddRecords(const ListCommand& c, const drawing::ListProgram& program,
                proto::ListPacker* packer, const proto::PacketSink& send) {
    auto add = [&](uint8_t opcode, uint16_t p1, uint16_t p2) {
        return packer->Add({opcode, p1, p2});
    };
    switch (c.op) {
        case ListOp::kJump: return add(list_op::kJumpAbs, Word(c.a), Word(c.b));
        case ListOp::kPolA: return add(list_op::kPolAAbs, Word(c.a), Word(c.b));
        case ListOp::kPolB: return add(list_op::kPolBAbs, Word(c.a), Word(c.b));
        case ListOp::kPolC: return add(list_op::kPolCAbs, Word(c.a), Word(c.b));
        case ListOp::kMarkParameters:
            return add(list_op::kSetMarkParametersList, Word(c.a), Word(c.b));
        case ListOp::kJumpParameters:
            return add(list_op::kSetJumpParametersList, Word(c.a), Word(c.b));
        case ListOp::kPower: return add(list_op::kWritePortList, Word(c.a), Word(c.b));
        case ListOp::kWaitForStart: return add(list_op::kWaitForExternalStart, 0, 0);
        case ListOp::kEnd: return add(list_op::kSetEndOfList, 0, 0);
        case ListOp::kDelays: {
            const auto& d = program.delays.at(static_cast<size_t>(c.a));
            return add(list_op::kSetDelays12, d[0], d[1]) &&
                   add(list_op::kSetDelays34, d[2], d[3]) &&
                   add(list_op::kSetDelays56, d[4], d[5]) &&
                   add(list_op::kSetDelays78, d[6], d[7]) && add(list_op::kSetDelays910, d[8], 0);
        }
        case ListOp::kBitmapLine: {
            // The pending records go first: a bitmap line is a packet of its own.
            if (!packer->Flush()) return false;
            const drawing::BitmapLine& row = program.bitmapLines.at(static_cast<size_t>(c.a));
            return send(proto::RequestPacket(
                proto::op::kPutBitmaplineList,
                proto::BitmapLinePayload(Signed(row.begin.x), Signed(row.begin.y),
                                         Signed(row.end.x), Signed(row.end.y), row.delays)));
        }
    }
    return true;
}

}  // namespace

bool SendListPackets(const drawing::ListProgram& program, size_t first, size_t* next,
                     const proto::PacketSink& send) {
    proto::ListPacker packer(send);
    size_t i = first;
    while (i < program.commands.size()) {
        const ListCommand& c = program.commands[i++];
        if (!AddRecords(c, program, &packer, send)) return false;
        if (c.op == ListOp::kEnd) break;
    }
    *next = i;
    return packer.Flush();
}

std::vector<proto::Packet> ListPackets(const drawing::ListProgram& program, size_t first,
                                       size_t* next) {
    std::vector<proto::Packet> out;
    SendListPackets(program, first, next, [&](const proto::Packet& packet) {
        out.push_back(packet);
        return true;
    });
    return out;
}

}  // namespace txorb::cli
