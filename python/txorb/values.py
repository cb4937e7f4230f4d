"""Checking values before they reach C, and the geometry that lists are built from.

ctypes would silently cut 70000 down to 4464 for a 16-bit parameter; every integer is checked
against the range of its C type here instead, and refused with ValueError.

Positions are in bits, the card's field units: signed 16-bit, -32768..32767. A position given
as a float is rounded to the nearest bit (halves away from zero).
"""

from __future__ import annotations

import math
from typing import Iterable, List, Protocol, Sequence, Tuple, Union


class ArrayLike(Protocol):
    """What is used of a numpy array of points: its shape and ``tolist()``."""

    @property
    def shape(self) -> Tuple[int, ...]: ...

    def tolist(self) -> list: ...  # type: ignore[type-arg]


Number = Union[int, float]
Point = Tuple[int, int]
Points = Union[Iterable[Sequence[Number]], ArrayLike]

POSITION_MIN = -32768
POSITION_MAX = 32767


def integer(value: Number, low: int, high: int, what: str) -> int:
    """``value`` as an int within low..high; a float must be whole."""
    if isinstance(value, float):
        if not value.is_integer():
            raise ValueError(f"{what} must be a whole number, not {value!r}")
        value = int(value)
    if not isinstance(value, int):
        raise TypeError(f"{what} must be an integer, not {type(value).__name__}")
    if not low <= value <= high:
        raise ValueError(f"{what} must be within {low}..{high}, not {value}")
    return value


def u16(value: Number, what: str) -> int:
    return integer(value, 0, 0xFFFF, what)


def i16(value: Number, what: str) -> int:
    return integer(value, -0x8000, 0x7FFF, what)


def u32(value: Number, what: str) -> int:
    return integer(value, 0, 0xFFFFFFFF, what)


def i32(value: Number, what: str) -> int:
    return integer(value, -0x80000000, 0x7FFFFFFF, what)


def real(value: Number, what: str) -> float:
    """A finite float."""
    result = float(value)
    if not math.isfinite(result):
        raise ValueError(f"{what} must be finite, not {value!r}")
    return result


def coordinate(value: Number, what: str) -> int:
    """A position on one axis in bits, rounded to the nearest bit."""
    v = float(value)
    if not math.isfinite(v):
        raise ValueError(f"{what} must be finite, not {value!r}")
    rounded = int(math.floor(abs(v) + 0.5)) * (1 if v >= 0 else -1)
    if not POSITION_MIN <= rounded <= POSITION_MAX:
        raise ValueError(
            f"{what} must be within {POSITION_MIN}..{POSITION_MAX} bits, not {value!r}")
    return rounded


def position(x: Number, y: Number) -> Point:
    return coordinate(x, "x"), coordinate(y, "y")


def positions(points: Points) -> List[Point]:
    """Points as a list of (x, y) bit positions: from pairs, or from an (N, 2) array."""
    shape = getattr(points, "shape", None)
    if shape is not None:
        if len(shape) != 2 or shape[1] != 2:
            raise ValueError(f"an array of points must have the shape (N, 2), not {tuple(shape)}")
        rows = points.tolist()  # type: ignore[union-attr]
    else:
        rows = list(points)  # type: ignore[arg-type]
    out: List[Point] = []
    for index, row in enumerate(rows):
        if len(row) != 2:
            raise ValueError(f"point {index} must be an (x, y) pair, not {row!r}")
        out.append((coordinate(row[0], f"x of point {index}"),
                    coordinate(row[1], f"y of point {index}")))
    return out


def arc_points(cx: float, cy: float, radius: float, start_deg: float, sweep_deg: float,
               tolerance: float) -> List[Tuple[float, float]]:
    """The vertices of the chords that approximate an arc, start and end included.

    The arc is centred on (cx, cy) with ``radius`` bits, starts at ``start_deg`` (degrees,
    counter-clockwise from +x) and turns by ``sweep_deg`` (negative: clockwise). The number of
    chords is the smallest for which no chord strays further than ``tolerance`` bits from
    the arc (the sagitta r(1 - cos(a/2)) of a chord spanning the angle a), and no chord spans
    more than 180 degrees; at least one chord.
    """
    for v, what in ((cx, "cx"), (cy, "cy"), (radius, "radius"), (start_deg, "start angle"),
                    (sweep_deg, "sweep"), (tolerance, "tolerance")):
        real(v, what)
    if radius <= 0:
        raise ValueError(f"radius must be positive, not {radius!r}")
    if tolerance <= 0:
        raise ValueError(f"tolerance must be positive, not {tolerance!r}")
    sweep = math.radians(sweep_deg)
    # No chord spans more than half a turn, however coarse the tolerance.
    widest = 2.0 * math.acos(1.0 - min(tolerance / radius, 1.0))
    chords = max(1, math.ceil(abs(sweep) / widest - 1e-9))
    start = math.radians(start_deg)
    return [(cx + radius * math.cos(start + sweep * i / chords),
             cy + radius * math.sin(start + sweep * i / chords)) for i in range(chords + 1)]
