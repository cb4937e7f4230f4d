"""Building one of the card's two vector lists.

Positions are in bits (signed 16-bit, -32768..32767). Delays and durations are in units of
10 microseconds; step periods in microseconds. Every record is checked: a record the library
refuses raises TxorbError at once.
"""

from __future__ import annotations

from types import TracebackType
from typing import Any, List, Optional, Tuple, Type

from . import errors, values
from ._active import NumberedCard, activate
from .values import Number, Point, Points

#: The I/O port that sets the laser power: value / 65535 of full power.
POWER_PORT = 40
POWER_FULL_SCALE = 0xFFFF


class ListBuilder:
    """Fills list 1 or 2 of a card; use it as a context manager from :meth:`Card.list`.

    Entering starts the list (``Set_Start_List_1``/``_2``, which empties that list memory);
    leaving ends it (``Set_End_Of_List``) so that it can be executed. When the block is left by
    an exception the list is still ended, so the card is not left with an open list, and the
    exception goes on.
    """

    def __init__(self, card: NumberedCard, number: int) -> None:
        if number not in (1, 2):
            raise ValueError(f"the list number must be 1 or 2, not {number!r}")
        self._card = card
        self.number = number
        #: How many list records this builder has added (the end record not counted).
        self.records = 0
        self._open = False

    def __enter__(self) -> "ListBuilder":
        activate(self._card)
        errors.check(f"Set_Start_List_{self.number}")
        self._open = True
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        if not self._open:
            return
        self._open = False
        if kind is None:
            activate(self._card)
            errors.check("Set_End_Of_List")
        else:
            errors.guarded(lambda: errors.check("Set_End_Of_List"))

    def _add(self, function: str, *args: Any) -> None:
        if not self._open:
            raise RuntimeError("the list is not open: add records inside its `with` block")
        activate(self._card)
        errors.check(function, *args)
        self.records += 1

    # Moves ------------------------------------------------------------------------------

    def jump(self, x: Number, y: Number) -> None:
        """Move to (x, y) bits with the laser off, at jump speed; the jump delay follows."""
        self._add("Jump_Abs", *values.position(x, y))

    def jump_rel(self, dx: int, dy: int) -> None:
        """Jump by (dx, dy) bits from where the head stands."""
        self._add("Jump_Rel", values.i16(dx, "dx"), values.i16(dy, "dy"))

    def mark(self, x: Number, y: Number) -> None:
        """Mark a line from where the head stands to (x, y) bits, at mark speed; the mark
        delay follows."""
        self._add("Mark_Abs", *values.position(x, y))

    def mark_rel(self, dx: int, dy: int) -> None:
        """Mark by (dx, dy) bits from where the head stands."""
        self._add("Mark_Rel", values.i16(dx, "dx"), values.i16(dy, "dy"))

    def polyline(self, points: Points, closed: bool = False) -> None:
        """Jump to the first point, then mark through the others as one polyline.

        ``points`` is a sequence of (x, y) pairs in bits or an (N, 2) numpy array (floats are
        rounded to the nearest bit); at least two points. ``closed`` marks back to the first
        point at the end. The vertices go to the card as one polyline (``PolA`` first, ``PolB``
        between, ``PolC`` last): the poly delay applies at its corners, the mark delay at its
        end, and the card's power ramps treat it as one path. A polyline of a single line is
        sent as its two halves (or its end twice, when it is too short to halve).
        """
        vertices = values.positions(points)
        if len(vertices) < 2:
            raise ValueError(f"a polyline needs at least two points, not {len(vertices)}")
        if closed and vertices[-1] != vertices[0]:
            vertices.append(vertices[0])
        self._add("Jump_Abs", *vertices[0])
        for function, point in _polyline_records(vertices):
            self._add(function, *point)

    def arc(self, cx: Number, cy: Number, radius: Number, start: Number, sweep: Number,
            tolerance: Number = 0.5) -> None:
        """Jump to the start of an arc and mark it as a polyline of straight chords.

        The arc is centred on (cx, cy) bits with ``radius`` bits; it starts at the angle
        ``start`` (degrees, counter-clockwise from +x) and turns by ``sweep`` degrees
        (negative: clockwise). No chord strays further than ``tolerance`` bits (default 0.5)
        from the true arc; the rounding of each vertex to whole bits adds at most half a bit on
        each axis.
        """
        self.polyline(values.arc_points(float(cx), float(cy), float(radius), float(start),
                                        float(sweep), float(tolerance)))

    def circle(self, cx: Number, cy: Number, radius: Number, tolerance: Number = 0.5) -> None:
        """A full circle from its rightmost point, counter-clockwise; see :meth:`arc`."""
        self.arc(cx, cy, radius, 0.0, 360.0, tolerance)

    def dot(self, x: Number, y: Number) -> None:
        """Jump to (x, y) bits and fire one dot of the dot duration
        (:meth:`set_dot_parameters`)."""
        self._add("Mark_Abs_Dot", *values.position(x, y))

    # Laser and timing -------------------------------------------------------------------

    def laser_on(self, duration: int) -> None:
        """Fire the laser where the head stands for ``duration`` x 10 us (0..65535)."""
        self._add("Laser_On", values.u16(duration, "duration"))

    def laser_off(self, delay: int) -> None:
        """Keep the laser off and wait ``delay`` x 10 us (0..65535)."""
        self._add("Laser_Off", values.u16(delay, "delay"))

    def wait(self, delay: int) -> None:
        """Wait ``delay`` x 10 us (0..65535) before the next record (``Long_Delay``)."""
        self._add("Long_Delay", values.u16(delay, "delay"))

    def set_power(self, fraction: float) -> None:
        """Laser power from here on, as a fraction 0.0..1.0 of full power (written to the
        power port, rounded to 1/65535)."""
        level = values.real(fraction, "power")
        if not 0.0 <= level <= 1.0:
            raise ValueError(f"power must be within 0.0..1.0, not {fraction!r}")
        self.write_port(POWER_PORT, int(level * POWER_FULL_SCALE + 0.5))

    def write_port(self, address: int, value: int) -> None:
        """Write a 16-bit value to the card's I/O port at ``address`` when the list gets
        there."""
        self._add("Write_Port_List", values.u16(address, "address"), values.u16(value, "value"))

    def write_da(self, level: int) -> None:
        """Set the 8-bit D/A output (0..255) when the list gets there."""
        self._add("Write_DA_List", values.integer(level, 0, 0xFF, "D/A level"))

    def set_mark_parameters(self, step_period: int, step_size: int) -> None:
        """Mark speed from here on as ``step_size`` bits every ``step_period`` microseconds
        (speed = step_size / step_period x 1000 bits/ms)."""
        self._add("Set_Mark_Parameters_List", values.u16(step_period, "step period"),
                  values.u16(step_size, "step size"))

    def set_jump_parameters(self, step_period: int, step_size: int) -> None:
        """Jump speed from here on as ``step_size`` bits every ``step_period`` microseconds."""
        self._add("Set_Jump_Parameters_List", values.u16(step_period, "step period"),
                  values.u16(step_size, "step size"))

    def set_dot_parameters(self, distance: int, duration: int) -> None:
        """Dot spacing in bits and dot duration in units of 10 us, for :meth:`dot`."""
        self._add("Set_Dot_Parameters_List", values.u16(distance, "distance"),
                  values.u16(duration, "duration"))

    def wait_for_external_start(self) -> None:
        """Hold the list here until the card's external start input fires."""
        self._add("Wait_For_External_Start")


def _polyline_records(vertices: List[Point]) -> List[Tuple[str, Point]]:
    """(export, point) for each vertex after the first: PolA, PolB..., PolC."""
    rest = vertices[1:]
    if len(rest) == 1:
        a, b = vertices[0], vertices[1]
        middle = (_halfway(a[0], b[0]), _halfway(a[1], b[1]))
        rest.insert(0, b if middle in (a, b) else middle)
    records: List[Tuple[str, Point]] = []
    for index, point in enumerate(rest):
        if index == 0:
            records.append(("PolA_Abs", point))
        elif index == len(rest) - 1:
            records.append(("PolC_Abs", point))
        else:
            records.append(("PolB_Abs", point))
    return records


def _halfway(a: int, b: int) -> int:
    """The midpoint of two bit positions, rounded toward zero as C integer division does."""
    total = a + b
    return abs(total) // 2 * (1 if total >= 0 else -1)
