#!/usr/bin/env python3
"""Checks the virtual card's JSON Lines log after a program drove it through txorb.dll.

  check_sim_log.py LOG mark_square     the session of examples/windows/mark_square.c
  check_sim_log.py LOG long_list       the long-list session of the Wine tests

Compares the packets the card received (status polls and count queries left out) with the
exact bytes the session must send, and the moves it carried out. Prints each mismatch and
exits 1 when there is one.
"""
import json
import struct
import sys

POLLS = {34, 42}  # Read_Status and Get_Counts: their number depends on timing

HANDSHAKE = [(177, ""), (115, "")]
REMOVAL = [(36, ""), (62, "0000"), (175, "")]  # stop, Set_T3 0, release


def speed_payload(jump, mark):
    return struct.pack("<dd", jump, mark).hex()


def record(opcode, x, y):
    return struct.pack("<Bhh", opcode, x, y).hex()


JUMP_ABS, MARK_ABS, END_OF_LIST = 0x09, 0x0A, 0x10  # list record opcodes on the wire

# mark_square.c: Set_Speed(2000, 500); a jump to one corner, the four sides and the diagonal.
SQUARE = [(-10000, -10000), (10000, -10000), (10000, 10000), (-10000, 10000), (-10000, -10000),
          (10000, 10000)]
MARK_SQUARE_PACKETS = HANDSHAKE + [
    (35, speed_payload(2000.0, 500.0)),
    (156, record(JUMP_ABS, *SQUARE[0]) + "".join(record(MARK_ABS, x, y) for x, y in SQUARE[1:])
     + record(END_OF_LIST, 0, 0)),
    (65, "0000"),  # Execute_List_1: list index 0
] + REMOVAL


def long_list_records():
    """dll_session_test.cpp's long list: a jump, then 599 marks along a zigzag."""
    points = [(-20000, 0)] + [(-20000 + 64 * i, 500 if i % 2 else -500) for i in range(1, 600)]
    return ([record(JUMP_ABS, *points[0])] + [record(MARK_ABS, x, y) for x, y in points[1:]]
            + [record(END_OF_LIST, 0, 0)])


LIST_FLUSH_BYTES = 2500  # records go out as soon as this many are pending


def long_list_packets():
    records = "".join(long_list_records())
    cut = 2 * LIST_FLUSH_BYTES
    # Then a card initialised and left to the unloading of the DLL, which removes it.
    return HANDSHAKE + [(35, speed_payload(4000.0, 1000.0)), (156, records[:cut]),
                        (156, records[cut:]), (65, "0000")] + REMOVAL + HANDSHAKE + REMOVAL


EXPECTED = {
    "mark_square": (MARK_SQUARE_PACKETS, [("jump", SQUARE[0])] + [("mark", p) for p in SQUARE[1:]]),
    "long_list": (long_list_packets(), None),
}


def main():
    log, session = sys.argv[1], sys.argv[2]
    events = [json.loads(line) for line in open(log, encoding="utf-8") if line.strip()]
    packets = [(e["opcode"], e["payload"]) for e in events
               if e["event"] == "packet" and e["opcode"] not in POLLS]
    moves = [(e["kind"], tuple(round(v) for v in e["to"])) for e in events
             if e["event"] == "move"]
    want_packets, want_moves = EXPECTED[session]
    failures = []
    for i in range(max(len(packets), len(want_packets))):
        got = packets[i] if i < len(packets) else None
        want = want_packets[i] if i < len(want_packets) else None
        if got != want:
            failures.append("packet %d: got %s, want %s" % (i, got, want))
    if want_moves is not None and moves != want_moves:
        failures.append("moves: got %s, want %s" % (moves, want_moves))
    for failure in failures:
        print("%s: %s" % (log, failure))
    print("%s: %d packets, %d moves, %s" % (log, len(packets), len(moves),
                                            "FAILED" if failures else "ok"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
