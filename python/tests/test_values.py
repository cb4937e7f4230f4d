"""What is refused before it reaches C, how positions are rounded, and the shape of the
records a polyline or an arc becomes. No library needed."""

from __future__ import annotations

import math

import pytest

from txorb import values
from txorb.lists import _polyline_records


def test_integers_outside_their_c_type_are_refused() -> None:
    cases = [
        (values.u16, 0, 0), (values.u16, 65535, 65535), (values.u16, 7.0, 7),
        (values.u16, -1, ValueError), (values.u16, 65536, ValueError),
        (values.u16, 1.5, ValueError), (values.u16, "3", TypeError),
        (values.i16, -32768, -32768), (values.i16, 32767, 32767),
        (values.i16, -32769, ValueError), (values.i16, 32768, ValueError),
        (values.u32, 2**32 - 1, 2**32 - 1), (values.u32, 2**32, ValueError),
        (values.i32, -2**31, -2**31), (values.i32, 2**31, ValueError),
    ]
    for convert, given, expected in cases:
        if isinstance(expected, type):
            with pytest.raises(expected):
                convert(given, "value")
        else:
            assert convert(given, "value") == expected, (convert.__name__, given)


def test_coordinates_round_to_the_nearest_bit_halves_away_from_zero() -> None:
    cases = [
        (0.49, 0), (0.5, 1), (-0.5, -1), (-0.49, 0), (2.5, 3), (-2.5, -3),
        (32767.4, 32767), (-32768.0, -32768), (100, 100),
    ]
    for given, expected in cases:
        assert values.coordinate(given, "x") == expected, given
    for refused in (32767.5, -32768.5, 40000, math.nan, math.inf):
        with pytest.raises(ValueError):
            values.coordinate(refused, "x")


def test_points_come_from_pairs_or_an_n_by_2_array() -> None:
    assert values.positions([(1, 2), [3.6, -4.5]]) == [(1, 2), (4, -5)]
    assert values.positions(iter([(0, 0)])) == [(0, 0)]
    for bad in ([(1, 2, 3)], [(1,)]):
        with pytest.raises(ValueError):
            values.positions(bad)
    np = pytest.importorskip("numpy")
    assert values.positions(np.array([[1.2, 2.7], [-3.5, 4.0]])) == [(1, 3), (-4, 4)]
    for shape in ((4,), (2, 3), (2, 2, 2)):
        with pytest.raises(ValueError):
            values.positions(np.zeros(shape))


def test_polyline_records_open_with_pol_a_and_close_with_pol_c() -> None:
    cases = [
        ([(0, 0), (10, 0), (10, 10)], [("PolA_Abs", (10, 0)), ("PolC_Abs", (10, 10))]),
        ([(0, 0), (1, 0), (2, 0), (3, 0)],
         [("PolA_Abs", (1, 0)), ("PolB_Abs", (2, 0)), ("PolC_Abs", (3, 0))]),
        # One line: cut in two halves, the midpoint rounded toward zero.
        ([(0, 0), (101, -7)], [("PolA_Abs", (50, -3)), ("PolC_Abs", (101, -7))]),
        ([(-3, 0), (0, 0)], [("PolA_Abs", (-1, 0)), ("PolC_Abs", (0, 0))]),
        # Too short to halve: the end is given twice.
        ([(0, 0), (1, 1)], [("PolA_Abs", (1, 1)), ("PolC_Abs", (1, 1))]),
        ([(5, 5), (5, 5)], [("PolA_Abs", (5, 5)), ("PolC_Abs", (5, 5))]),
    ]
    for vertices, expected in cases:
        assert _polyline_records(vertices) == expected, vertices


def test_arc_uses_the_fewest_chords_within_the_tolerance() -> None:
    # (radius, sweep, tolerance, chords): the chord angle may be at most 2*acos(1 - t/r).
    cases = [
        (500.0, 90.0, 0.5, 18),      # 0.0894 rad per chord: 1.5708 / 0.0894 = 17.6
        (500.0, -90.0, 0.5, 18),
        (1000.0, 360.0, 1.0, 71),    # 0.0894 rad per chord as well: 6.2832 / 0.0894 = 70.2
        (100.0, 360.0, 100.0, 2),    # never more than half a turn per chord
        (100.0, 360.0, 1000.0, 2),
        (100.0, 10.0, 50.0, 1),
    ]
    for radius, sweep, tolerance, chords in cases:
        points = values.arc_points(0.0, 0.0, radius, 0.0, sweep, tolerance)
        assert len(points) == chords + 1, (radius, sweep, tolerance)
        for (x0, y0), (x1, y1) in zip(points, points[1:]):
            sagitta = radius - math.hypot((x0 + x1) / 2, (y0 + y1) / 2)
            assert sagitta <= min(tolerance, radius) + 1e-9


def test_arc_runs_from_its_start_angle_by_its_sweep() -> None:
    points = values.arc_points(100.0, -100.0, 50.0, 90.0, -180.0, 0.5)
    assert points[0] == pytest.approx((100.0, -50.0))
    assert points[-1] == pytest.approx((100.0, -150.0))
    assert points[len(points) // 2][0] > 100.0     # clockwise from the top passes on the right
    for bad in ((0.0, 0.5), (-1.0, 0.5), (10.0, 0.0), (math.nan, 0.5)):
        with pytest.raises(ValueError):
            values.arc_points(0.0, 0.0, bad[0], 0.0, 90.0, bad[1])
