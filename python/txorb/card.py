"""One TX-ORB card: initialisation, parameters, execution, status and correction files.

Units, as the card uses them:

* positions: bits, signed 16-bit (-32768..32767);
* speeds: bits per millisecond;
* delays after moves (jump, mark, polyline corner): units of 10 microseconds;
* laser on/off delays, laser timing T1..T3 and the YAG prescaler: the card's own units, passed
  through unchanged.

Every method raises :class:`txorb.TxorbError` when the library reports a failure, and
ValueError for a value that does not fit its C parameter (nothing is sent then).
"""

from __future__ import annotations

import ctypes
import os
import time
from dataclasses import dataclass
from types import TracebackType
from typing import Any, Optional, Tuple, Type, Union

from . import _library, errors, values
from ._active import activate
from .lists import ListBuilder
from .values import Number

#: The status word's "a list is executing" bit (set also while a list waits for a start).
STATUS_BUSY = 0x0001

PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


@dataclass(frozen=True)
class CardInfo:
    """What a card says about itself."""

    version: int        #: the card's firmware version
    krt1_version: int   #: the KRT1 controller's version
    ident: int          #: the 32-bit identity word
    cpu_type: int       #: the controller's CPU type


class Card:
    """Card ``number`` (1..10 as the registry store configures it), used as::

        with txorb.Card(1) as card:
            ...

    Entering initialises the card (``Init_Scan_Card_Ex``, which makes it the active card);
    leaving removes it (``Remove_Scan_Card_Ex``: it stops the card, waits half a second, and
    leaves no card active). Every method first makes this card the active one when it is not,
    so two cards can be used side by side from one thread (their lists one after the other:
    the library has one list buffer for all cards).
    """

    def __init__(self, number: int = 1) -> None:
        self.number = values.u16(number, "card number")
        self._open = False

    # Life cycle -------------------------------------------------------------------------

    def open(self) -> "Card":
        """Initialise the card, which makes it the active one; see the class documentation."""
        errors.coded("Init_Scan_Card_Ex", self.number)
        self._open = True
        return self

    def close(self) -> None:
        """Remove the card: stops what it runs and frees its slot. Never fails."""
        if self._open:
            self._open = False
            _library.load().Remove_Scan_Card_Ex(self.number)

    def __enter__(self) -> "Card":
        return self.open()

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        self.close()

    def _check(self, function: str, *args: object) -> None:
        activate(self)
        errors.check(function, *args)

    def _value(self, function: str, *args: object) -> Any:
        activate(self)
        return errors.value(function, *args)

    # Speeds -----------------------------------------------------------------------------

    def set_jump_speed(self, bits_per_ms: float) -> None:
        """Jump speed in bits per millisecond."""
        self._check("Set_Jump_Speed", values.real(bits_per_ms, "jump speed"))

    def set_mark_speed(self, bits_per_ms: float) -> None:
        """Mark speed in bits per millisecond."""
        self._check("Set_Mark_Speed", values.real(bits_per_ms, "mark speed"))

    def set_speeds(self, jump: float, mark: float) -> None:
        """Jump and mark speed in bits per millisecond, in one command."""
        self._check("Set_Speed", values.real(jump, "jump speed"), values.real(mark, "mark speed"))

    def jump_speed(self) -> float:
        """The card's jump speed in bits per millisecond."""
        return float(self._value("Get_Jump_Speed"))

    def mark_speed(self) -> float:
        """The card's mark speed in bits per millisecond."""
        return float(self._value("Get_Mark_Speed"))

    # Delays -----------------------------------------------------------------------------

    def set_delays(self, jump: Optional[int] = None, mark: Optional[int] = None,
                   poly: Optional[int] = None, laser_on: Optional[int] = None,
                   laser_off: Optional[int] = None) -> None:
        """Set the delays that are given, each 0..65535: the waits after a jump, after a
        mark and at a polyline corner in units of 10 us; the laser-on and laser-off delays in
        the card's units."""
        for function, delay, what in (("Set_Jump_Delay", jump, "jump delay"),
                                      ("Set_Mark_Delay", mark, "mark delay"),
                                      ("Set_Poly_Delay", poly, "poly delay"),
                                      ("Set_Laser_On_Delay", laser_on, "laser-on delay"),
                                      ("Set_Laser_Off_Delay", laser_off, "laser-off delay")):
            if delay is not None:
                self._check(function, values.u16(delay, what))

    # Laser --------------------------------------------------------------------------------

    def set_laser_timing(self, t1: int, t2: int, t3: int) -> None:
        """The three laser timing values T1, T2, T3 (the card's timer units, 0..65535)."""
        self._check("Set_T1", values.u16(t1, "T1"))
        self._check("Set_T2", values.u16(t2, "T2"))
        self._check("Set_T3", values.u16(t3, "T3"))

    def set_yag_prescaler(self, prescaler: int) -> None:
        """The YAG laser's prescaler (0..65535)."""
        self._check("Set_YAG_Parameter", values.u16(prescaler, "prescaler"))

    def enable_laser(self) -> None:
        """Let marks fire the laser (the card's default)."""
        self._check("Enable_Laser")

    def disable_laser(self) -> None:
        """Run lists with the laser held off."""
        self._check("Disable_Laser")

    def write_da(self, level: int) -> None:
        """Set the 8-bit D/A output now (0..255)."""
        self._check("Write_DA", values.integer(level, 0, 0xFF, "D/A level"))

    def write_port(self, address: int, value: int) -> None:
        """Write a 16-bit value to the card's I/O port at ``address`` now."""
        self._check("Write_Port", values.u16(address, "address"), values.u16(value, "value"))

    # Scanner ------------------------------------------------------------------------------

    def set_gain(self, gain_x: float, gain_y: float, offset_x: int, offset_y: int) -> None:
        """Scale each axis by its gain, then shift it by its offset in bits."""
        self._check("Set_Gain", values.real(gain_x, "gain x"), values.real(gain_y, "gain y"),
                    values.i16(offset_x, "offset x"), values.i16(offset_y, "offset y"))

    def set_mode(self, mode: int) -> None:
        """The card's operating mode word (0..65535; bits outside the card's mode mask are
        refused by the card)."""
        self._check("Set_Mode", values.u16(mode, "mode"))

    # Lists and execution ------------------------------------------------------------------

    def list(self, number: int = 1) -> ListBuilder:
        """A builder for list ``number`` (1 or 2), to use as ``with card.list(1) as lst:``."""
        return ListBuilder(self, number)

    def execute(self, number: int = 1) -> None:
        """Start list ``number`` (1 or 2) from its first record."""
        self._check(f"Execute_List_{_list_number(number)}")

    def restart(self, number: int = 1) -> None:
        """Start list ``number`` again from its first record."""
        self._check(f"Restart_List_{_list_number(number)}")

    def stop(self, clear: bool = True) -> None:
        """Stop the running list; ``clear`` also empties both list memories."""
        self._check("Stop_Execution" if clear else "Stop_Execution_NoClear")

    def start_loop(self) -> None:
        """Repeat the running list until :meth:`quit_loop` or the maximum count."""
        self._check("Start_Loop")

    def quit_loop(self) -> None:
        """Let the current pass of a looping list finish, then stop."""
        self._check("Quit_Loop")

    def auto_change(self) -> None:
        """Go on with the other list, once, when the running one ends."""
        self._check("Aut_Change")

    def set_max_counts(self, passes: int) -> None:
        """The most passes a looping list makes (0: no limit; 0..65535)."""
        self._check("Set_Max_Counts", values.u16(passes, "passes"))

    def wait_idle(self, timeout: float, poll_interval: float = 0.01) -> None:
        """Wait until no list is executing (the status word's busy bit is clear).

        Polls the status every ``poll_interval`` seconds, sleeping in between, for at most
        ``timeout`` seconds.

        Raises:
            TimeoutError: when a list is still executing after ``timeout`` seconds.
        """
        if timeout < 0 or poll_interval <= 0:
            raise ValueError("timeout must be 0 or more and poll_interval more than 0")
        deadline = time.monotonic() + timeout
        while self.status() & STATUS_BUSY:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError(f"card {self.number} still busy after {timeout} s")
            time.sleep(min(poll_interval, left))

    # Status and position ------------------------------------------------------------------

    def status(self) -> int:
        """The card's 16-bit status word (bit 0x0001: a list is executing)."""
        return int(self._value("Read_Status"))

    def busy(self) -> bool:
        """True while a list is executing."""
        return bool(self.status() & STATUS_BUSY)

    def counts(self) -> int:
        """How many list passes the card has completed."""
        return int(self._value("Get_Counts"))

    def position(self) -> Tuple[int, int]:
        """Where the head is, (x, y) in bits (during a move: where it is on the way)."""
        x, y = ctypes.c_int16(), ctypes.c_int16()
        self._check("Get_XY_Pos", ctypes.byref(x), ctypes.byref(y))
        return x.value, y.value

    def goto(self, x: Number, y: Number) -> None:
        """Move the head to (x, y) bits now, laser off (refused while a list runs)."""
        self._check("Goto_XY", *values.position(x, y))

    def info(self) -> CardInfo:
        """The card's versions and identity."""
        return CardInfo(
            version=int(self._value("Get_Version")),
            krt1_version=int(self._value("Get_KRT1_Version")),
            ident=int(self._value("Get_Ident_Ex")),
            cpu_type=int(self._value("Get_CPU_Type")),
        )

    # Correction files and the target disk -------------------------------------------------

    def load_correction(self, path: PathLike, table: int = 1) -> None:
        """Load a correction file (25,350 bytes) from the host into correction table
        ``table`` (1..4)."""
        self._check("Load_Corr_N", os.fsencode(path),
                    values.integer(table, 1, 4, "correction table"))

    def correction_file_name(self) -> str:
        """The name, as given, of the last correction file that could be opened ("" before
        any)."""
        raw = self._value("Corr_File_Name")
        return os.fsdecode(raw) if raw else ""

    def copy_to_target_disk(self, path: PathLike) -> None:
        """Copy a host file (at most 223,981 bytes) onto the card's own disk.

        The card names it by the part of ``path`` after the last backslash, cut to 12
        characters; a forward slash is no separator, so on Linux give the bare name of a file
        in the current directory (a card refuses a name with slashes).
        """
        self._check("Copy_File_To_Target_Disk", os.fsencode(path))

    def delete_from_target_disk(self, name: str) -> None:
        """Delete a file from the card's own disk."""
        self._check("Delete_File_On_Target_Disk", os.fsencode(name))

    def load_correction_from_target_disk(self, name: str) -> None:
        """Load a correction file that is on the card's own disk."""
        self._check("Load_Corr_File_From_Target_Disk", os.fsencode(name))


def _list_number(number: int) -> int:
    if number not in (1, 2):
        raise ValueError(f"the list number must be 1 or 2, not {number!r}")
    return number
