"""scripts/compare-drawings: how it reads the tool's picture, and that it puts the browser's view
and the marks into one frame (checked with a stand-in tool that paints a known box)."""

import importlib.machinery
import importlib.util
import os
import shutil
import stat
import sys
import textwrap

import numpy as np
import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def load_script(path):
    loader = importlib.machinery.SourceFileLoader("compare_drawings", path)
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader(loader.name, loader))
    loader.exec_module(module)
    return module


cd = load_script(os.path.join(ROOT, "scripts", "compare-drawings"))

# The tool's picture: 1024 pixels over the card's 65,536 bits, a 60,000-bit field centred in it.
PICTURE_PX = 1024
FIELD_BITS = 60000.0
PAGE_EDGE_PX = (32768 - FIELD_BITS / 2) / 64  # 43.25: where the page's long side begins
PAGE_PX = FIELD_BITS / 64                     # 937.5


def pixel(r, g, b):
    return np.array([[[r, g, b]]], dtype=np.float32)


@pytest.mark.parametrize("reach, count", [(0, 1), (1, 5), (2, 13), (2.5, 21)])
def test_dilate_grows_a_pixel_into_a_disc(reach, count):
    mask = np.zeros((9, 9), bool)
    mask[4, 4] = True
    assert cd.dilate(mask, reach).sum() == count


def test_dilate_stops_at_the_picture_edge():
    mask = np.zeros((3, 3), bool)
    mask[0, 0] = True
    assert cd.dilate(mask, 1).tolist() == [[True, True, False], [True, False, False], [False] * 3]


@pytest.mark.parametrize("rgb, marked", [
    ((1.0, 0.0, 0.0), True),     # a mark at full power
    ((0.0, 0.15, 1.0), True),    # a mark at low power
    ((0.0, 0.0, 0.0), True),     # a black bitmap pixel
    ((0.5, 0.5, 0.5), True),     # a mid-grey bitmap pixel
    ((0.8, 0.8, 0.8), False),    # a 0.6-grey jump line half a pixel wide
    ((0.85, 0.85, 0.85), False), # the pale trace of a disabled laser
    ((1.0, 1.0, 1.0), False),
])
def test_tool_picture_pixels(rgb, marked):
    assert bool(cd.tool_marks(pixel(*rgb))[0, 0]) is marked


@pytest.mark.parametrize("rgb, ink", [
    ((1.0, 1.0, 1.0), 0.0),
    ((0.0, 0.0, 0.0), 1.0),
    ((1.0, 1.0, 0.0), 0.0722),   # yellow: only blue's share of the luminance is missing
    ((0.0, 0.0, 1.0), 0.9278),
])
def test_ink_is_one_minus_luminance(rgb, ink):
    assert cd.ink(pixel(*rgb))[0, 0] == pytest.approx(ink, abs=1e-4)


def test_inside_keeps_only_the_page():
    mask = np.ones((4, 6), bool)
    kept = cd.inside(mask, (1.2, 0.6, 4.4, 3.0))
    assert kept.sum() == 6 and kept[1:3, 1:4].all()  # edges rounded to 1, 1 .. 4, 3


def test_bounds_of_nothing_and_of_a_box():
    mask = np.zeros((5, 5), bool)
    assert cd.bounds(mask) is None
    mask[1:3, 2:5] = True
    assert cd.bounds(mask) == (2, 1, 5, 3)


LIT = np.zeros((7, 7))  # one window: one pixel of ink in the middle
LIT[3, 3] = 1.0


@pytest.mark.parametrize("a, b, expected", [
    (LIT, LIT, 1.0),
    # By hand: means 1/49 and 0, variance 1/49 (of a sample) and 0, covariance 0:
    # C1 C2 / ((1/49² + C1) (1/49 + C2)) with C1 = 0.01², C2 = 0.03².
    (LIT, np.zeros((7, 7)), 0.0081777),
])
def test_ssim_of_one_window(a, b, expected):
    assert cd.ssim(a, b) == pytest.approx(expected, abs=1e-6)


def test_tone_averages_each_ink_box_down_and_is_none_for_a_blank_picture():
    a = np.zeros((3, 3))
    a[0, 2] = 9.0  # the top-right pixel fills a 1.5-pixel cell's whole 2.25 pixels' share
    assert cd.area_average(a, 2).tolist() == [[0.0, 4.0], [0.0, 0.0]]
    ink = np.zeros((64, 64))
    ink[10:30, 5:60] = np.linspace(0.1, 1.0, 55)
    assert cd.tone(ink, ink) == pytest.approx(1.0)
    assert cd.tone(ink, np.zeros_like(ink)) is None


# --- one drawing through the whole comparison --------------------------------------------

# A square page with a black square over its middle half.
DRAWING = """<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 100 100" width="100" height="100">
<rect x="25" y="25" width="50" height="50"/></svg>
"""

# Paints the middle half of the page red, moved right by SHIFT_PX, where `txorb preview` writes.
STAND_IN = """#!{python}
import importlib.machinery, importlib.util, sys, numpy as np
loader = importlib.machinery.SourceFileLoader("cd", {script!r})
cd = importlib.util.module_from_spec(importlib.util.spec_from_loader("cd", loader))
loader.exec_module(cd)
prefix = sys.argv[sys.argv.index("--out") + 1]
a, b = {page_edge} + {page} / 4, {page_edge} + 3 * {page} / 4
x0, x1, y0, y1 = round(a) + {shift}, round(b) + {shift}, round(a), round(b)
rgb = np.full(({size}, {size}, 3), 255, np.uint8)
rgb[y0:y1, x0:x1] = (255, 0, 0)
cd.write_png(prefix + ".png", rgb)
print("marked")
"""


def run_with_stand_in(tmp_path, shift_px):
    if shutil.which("rsvg-convert") is None:
        pytest.skip("rsvg-convert is not installed (librsvg2-bin)")
    folder = tmp_path / "drawings"
    folder.mkdir()
    (folder / "square.svg").write_text(DRAWING)
    tool = tmp_path / "txorb"
    tool.write_text(STAND_IN.format(python=sys.executable, script=cd.__file__,
                                    page_edge=PAGE_EDGE_PX, page=PAGE_PX, shift=shift_px,
                                    size=PICTURE_PX))
    tool.chmod(tool.stat().st_mode | stat.S_IXUSR)
    args = cd.parse_args([str(folder), "--txorb", str(tool), "--out", str(tmp_path / "out")])
    args.tool_args = []
    os.makedirs(args.out)
    return cd.compare_one(str(folder / "square.svg"), args, cd.Cairo()), args


def test_marks_where_the_browser_shows_the_square_cover_it(tmp_path):
    result, args = run_with_stand_in(tmp_path, shift_px=0)
    assert result.code == 0
    assert result.covered > 0.995 and result.false < 0.005
    assert not result.short(args)
    assert os.path.exists(os.path.join(args.out, "square.diff.png"))


def test_marks_moved_by_an_eighth_of_the_square_fall_short(tmp_path):
    square_px = PAGE_PX / 2
    shift_px = round(square_px / 8)
    result, args = run_with_stand_in(tmp_path, shift_px=shift_px)
    # A strip of the square is uncovered on one side and marked beside it on the other, less
    # the reach the comparison allows.
    expected = (shift_px - args.reach) / square_px
    assert 1 - result.covered == pytest.approx(expected, abs=0.01)
    assert result.false == pytest.approx(expected, abs=0.01)
    assert result.short(args)


# --- the list of drawings known to fall short ---------------------------------------------

def outcome(name, short):
    r = cd.Result(name)
    r.code, r.dark_px, r.covered, r.false = 0, 100, (0.5 if short else 1.0), 0.0
    return r


def test_a_refused_drawing_the_browser_shows_falls_short():
    r, args = outcome("a", False), cd.parse_args([])
    r.code = 2
    assert r.short(args)
    r.dark_px = 0  # an empty page: refusing it is right
    assert not r.short(args)


def test_known_list_reads_names_and_skips_comments(tmp_path):
    known = tmp_path / "known.txt"
    known.write_text("# header\nalpha   # why\n\n  beta\n")
    assert cd.read_known(str(known)) == {"alpha", "beta"}
    assert cd.read_known("") is None


@pytest.mark.parametrize("known, short, unexpected, now_ok", [
    ("", ["a"], ["a"], []),            # no list: every shortfall counts
    ("a\n", ["a"], [], []),            # a known shortfall is fine
    ("a\n", ["a", "b"], ["b"], []),    # a new one is not
    ("a\nb\n", ["b"], [], ["a"]),      # a fixed one is reported so that the list shrinks
    ("gone\n", [], [], []),            # names of drawings not compared are left alone
])
def test_shortfalls_against_the_known_list(tmp_path, known, short, unexpected, now_ok):
    path = tmp_path / "known.txt"
    path.write_text(known)
    args = cd.parse_args(["--known-short", str(path) if known else ""])
    results = [outcome(n, n in short) for n in ("a", "b")]
    assert cd.against_known(results, args) == (unexpected, now_ok)
