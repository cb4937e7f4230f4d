"""The package against the virtual card: what a list built from Python marks, and how failures
come back as TxorbError."""

from __future__ import annotations

from pathlib import Path
from typing import Callable, List, Tuple

import pytest

import txorb
from conftest import LoggedCard, write_store

SQUARE = [(-1000, -1000), (1000, -1000), (1000, 1000), (-1000, 1000)]
# Fast enough that every test list runs in milliseconds of (real = simulated) time.
JUMP_SPEED = 4000.0
MARK_SPEED = 2000.0


def fast(card: txorb.Card) -> None:
    card.set_speeds(jump=JUMP_SPEED, mark=MARK_SPEED)
    card.set_delays(jump=0, mark=0, poly=0)


def test_square_polyline_is_marked_on_the_card(sim) -> None:
    with txorb.Card(1) as card:
        fast(card)
        assert (card.jump_speed(), card.mark_speed()) == (JUMP_SPEED, MARK_SPEED)
        with card.list(1) as lst:
            lst.polyline(SQUARE, closed=True)
        assert lst.records == 5
        card.execute(1)
        card.wait_idle(timeout=5.0)
        assert card.position() == (-1000, -1000)
        assert card.counts() == 1
        assert not card.busy()
    assert sim.stop() == 0
    assert sim.list_records() == [
        "Jump_Abs -1000 -1000", "PolA_Abs 1000 -1000", "PolB_Abs 1000 1000",
        "PolB_Abs -1000 1000", "PolC_Abs -1000 -1000", "Set_End_Of_List"]
    assert sim.moves() == [
        ("jump", (0, 0), (-1000, -1000)),
        ("mark", (-1000, -1000), (1000, -1000)),
        ("mark", (1000, -1000), (1000, 1000)),
        ("mark", (1000, 1000), (-1000, 1000)),
        ("mark", (-1000, 1000), (-1000, -1000)),
    ]


def test_list_records_of_each_builder_method(sim) -> None:
    with txorb.Card(1) as card:
        with card.list(2) as lst:
            lst.jump(10, -20)
            lst.mark(30.4, 40.5)
            lst.jump_rel(-1, 2)
            lst.mark_rel(3, -4)
            lst.polyline([(0, 0), (101, 0)])   # one line: sent as its two halves
            lst.polyline([(0, 0), (1, 0)])     # too short to halve: its end twice
            lst.arc(0, 0, 100, 0, 90, tolerance=100)   # one chord, halved
            lst.circle(0, 0, 100, tolerance=100)       # never more than half a turn a chord
            lst.dot(-5, 5)
            lst.laser_on(7)
            lst.laser_off(8)
            lst.wait(9)
            lst.set_power(0.5)
            lst.write_da(0x34)
            lst.set_mark_parameters(10, 100)
            lst.set_jump_parameters(20, 200)
            lst.set_dot_parameters(3, 4)
            lst.wait_for_external_start()
    sim.stop()
    assert sim.list_records() == [
        "Jump_Abs 10 -20",
        "Mark_Abs 30 41",              # 30.4 and 40.5 rounded, halves away from zero
        "Jump_Rel -1 2",
        "Mark_Rel 3 -4",
        "Jump_Abs 0 0", "PolA_Abs 50 0", "PolC_Abs 101 0",
        "Jump_Abs 0 0", "PolA_Abs 1 0", "PolC_Abs 1 0",
        "Jump_Abs 100 0", "PolA_Abs 50 50", "PolC_Abs 0 100",
        "Jump_Abs 100 0", "PolA_Abs -100 0", "PolC_Abs 100 0",
        "Mark_Abs_Dot -5 5",
        "Laser_On 7 0",
        "Laser_Off 8 0",
        "Long_Delay 9 0",
        "Write_Port_List 40 32768",    # half power: 0.5 of 65535, rounded
        "Write_DA_List 13312 0",       # the level travels in the upper byte: 0x3400
        "Set_Mark_Parameters_List 10 100",
        "Set_Jump_Parameters_List 20 200",
        "Set_Dot_Parameters_List 3 4",
        "Wait_For_External_Start",
        "Set_End_Of_List",
    ]
    assert lst.records == 26


def test_calls_without_a_card_raise_the_code_the_library_gives(no_store) -> None:
    no_store.write_text("Windows Registry Editor Version 5.00\n\n")
    card = txorb.Card(1)   # never opened: no card is active
    no_card = (26, "NO_CARD_ACTIVE", "No card active")
    bad_number = (30, "INVALID_CARD_NUMBER", "Invalid card number")
    cases: List[Tuple[Callable[[], object], str, Tuple[int, str, str]]] = [
        (lambda: card.set_jump_speed(100.0), "Set_Jump_Speed", no_card),   # bool result
        (card.jump_speed, "Get_Jump_Speed", no_card),      # value results: a preset 0.0 or 0
        (card.status, "Read_Status", no_card),
        (card.position, "Get_XY_Pos", no_card),
        (lambda: card.goto(1, 2), "Goto_XY", no_card),
        (lambda: card.execute(1), "Execute_List_1", no_card),
        (lambda: card.list(1).__enter__(), "Set_Start_List_1", no_card),
        (txorb.Card(11).open, "Init_Scan_Card_Ex", bad_number),   # slots are 1..10
        (txorb.Card(0).open, "Init_Scan_Card_Ex", bad_number),
        (txorb.Card(2).open, "Init_Scan_Card_Ex",
         (32, "SERIAL_PORT_KEY_NOT_FOUND", "Serial port key not found in Registry")),
    ]
    for call, function, (code, name, message) in cases:
        with pytest.raises(txorb.TxorbError) as caught:
            call()
        error = caught.value
        assert (error.code, error.name, error.message, error.function) == (
            code, name, message, function)
        assert str(error) == f"{function}: {message} (code {code}, {name})"


def test_refused_and_unanswered_commands_raise_their_codes(tmp_path) -> None:
    # Opcodes of the card's protocol: 92 jump speed, 118 read the jump speed, 41 goto.
    sim = LoggedCard(tmp_path, ["--fault", "status0@92", "--fault", "silent@118",
                                "--fault", "status0@41"])
    try:
        with txorb.Card(1) as card:
            cases: List[Tuple[Callable[[], object], int, str, str]] = [
                (lambda: card.set_jump_speed(100.0), 40, "RTB_DID_NOT_EXECUTE", "Set_Jump_Speed"),
                (lambda: card.jump_speed(), 45, "RESPONSE_TIMEOUT", "Get_Jump_Speed"),
                (lambda: card.goto(5, 6), 40, "RTB_DID_NOT_EXECUTE", "Goto_XY"),
                # Bits outside the card's mode mask 0x03FF: the library names the refusal.
                (lambda: card.set_mode(0x0400), 28, "CARD_NOT_CONFIGURED_FOR_FUNCTION",
                 "Set_Mode"),
            ]
            for call, code, name, function in cases:
                with pytest.raises(txorb.TxorbError) as caught:
                    call()
                error = caught.value
                assert (error.code, error.name, error.function) == (code, name, function)
                assert error.message == txorb.error_message(code) != ""
            card.set_mark_speed(100.0)      # an opcode without a fault still works
            assert card.mark_speed() == 100.0
    finally:
        sim.stop()


def test_list_left_by_an_exception_is_ended_and_refuses_more_records(sim) -> None:
    with txorb.Card(1) as card:
        with pytest.raises(ZeroDivisionError):
            with card.list(1) as lst:
                lst.jump(1, 1)
                raise ZeroDivisionError
        with pytest.raises(RuntimeError):
            lst.mark(2, 2)
    sim.stop()
    assert sim.list_records() == ["Jump_Abs 1 1", "Set_End_Of_List"]


def test_wait_idle_gives_up_after_its_timeout(sim) -> None:
    with txorb.Card(1) as card:
        with card.list(1) as lst:
            lst.wait_for_external_start()   # holds the list busy until a start that never comes
        card.execute(1)
        with pytest.raises(TimeoutError):
            card.wait_idle(timeout=0.2)
        assert card.busy()
        card.stop()
        card.wait_idle(timeout=2.0)


def test_two_cards_side_by_side_each_get_their_own_commands(tmp_path, monkeypatch) -> None:
    sims: List[LoggedCard] = []
    try:
        for number, name in ((1, "first"), (2, "second")):
            (tmp_path / name).mkdir()
            sims.append(LoggedCard(tmp_path / name, number=number))
        first, second = sims
        store = tmp_path / "registry.reg"
        write_store(store, {1: first.link, 2: second.link})
        monkeypatch.setenv("TXORB_REGISTRY", str(store))
        with txorb.Card(1) as one, txorb.Card(2) as two:
            one.goto(100, 200)       # card 2, set up last, was the active one
            two.goto(-5, -6)
            assert (one.position(), two.position()) == ((100, 200), (-5, -6))
            two.close()              # leaves no card active
            assert txorb.library().Get_Active_Card() == 0
            one.goto(7, 8)
            assert one.position() == (7, 8)
    finally:
        for sim in reversed(sims):  # each puts back the store it found
            sim.stop()
    gotos = [[p["payload"] for p in sim.events("packet") if p["opcode"] == 41] for sim in sims]
    # Goto payloads: x then y, signed 16-bit little-endian.
    assert gotos == [["6400c800", "07000800"], ["fbfffaff"]]


def test_correction_files_from_the_host_and_the_target_disk(sim, monkeypatch) -> None:
    correction_bytes = 25_350     # the size of one correction table
    monkeypatch.chdir(sim.directory)
    Path("good.cor").write_bytes(bytes(range(256)) * (correction_bytes // 256)
                                 + bytes(correction_bytes % 256))
    Path("short.cor").write_bytes(bytes(10))
    with txorb.Card(1) as card:
        assert card.correction_file_name() == ""
        cases: List[Tuple[Callable[[], object], int]] = [
            (lambda: card.load_correction("good.cor", table=2), 0),
            (lambda: card.load_correction("short.cor"), 21),      # INVALID_FILE_FORMAT
            (lambda: card.load_correction("missing.cor"), 20),    # FILE_NOT_FOUND
            (lambda: card.copy_to_target_disk("good.cor"), 0),
            (lambda: card.load_correction_from_target_disk("good.cor"), 0),
            (lambda: card.delete_from_target_disk("good.cor"), 0),
            (lambda: card.delete_from_target_disk("good.cor"), 40),  # the card has none
        ]
        for index, (call, code) in enumerate(cases):
            if code == 0:
                call()
            else:
                with pytest.raises(txorb.TxorbError) as caught:
                    call()
                assert caught.value.code == code, index
        # The last file that could be opened, whether or not the card took it.
        assert card.correction_file_name() == "short.cor"
        with pytest.raises(ValueError):
            card.load_correction("good.cor", table=5)
    sim.stop()
    sent = [p["name"] for p in sim.events("packet")][2:-3]   # less set-up and removal
    # The short and the missing file never reach the card.
    assert sent == ["Load_Corr_N", "Copy_File_To_Target_Disk", "Load_Corr_File_From_Target_Disk",
                    "Delete_File_On_Target_Disk", "Delete_File_On_Target_Disk"]
