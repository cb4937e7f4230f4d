#!/usr/bin/python3
"""Production runs of the built `txorb` on the virtual card, as an operator would make them.
Usage: production_runs.py BUILD_DIR codes|kills|dxf (each check says what it shows)."""
import csv
import datetime
import io
import os
import random
import re
import signal
import subprocess
import sys
import tempfile
import time

# The ring below the codes: a drawing they stand on, so that their quiet zones must cut it.
LOGO = """<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 10 10">
<circle cx="5" cy="5" r="4" fill="none" stroke="black" stroke-width="1.5"/></svg>"""
CODES_JOB = """drawing = "logo.svg"
first-serial = 41
[[text]]
value = "SN {serial:06}  {date:%Y-%m-%d}"
height = 2.5
y = -25
[[code]]
type = "datamatrix"
value = "SN{serial:06}"
size = 8
x = -8
y = 6
[[code]]
type = "qr"
value = "QR{serial}"
size = 10
x = 12
y = 6
[[code]]
type = "code128"
value = "C{serial}"
size = 40
y = -15
"""
KILLS_JOB = """[[code]]
type = "datamatrix"
value = "{serial}"
size = 20
"""


def txorb(build, *args, **kw):
    return subprocess.run([os.path.join(build, "txorb"), *args], capture_output=True, text=True,
                          **kw)


def journal(build, path):
    out = txorb(build, "journal", path, "--csv", check=True).stdout
    return list(csv.DictReader(io.StringIO(out)))


def read_codes(picture):
    dm = subprocess.run(["dmtxread", "-n", "-N1", picture], capture_output=True, text=True)
    bars = subprocess.run(["zbarimg", "-q", "--raw", picture], capture_output=True, text=True)
    return {dm.stdout.strip(), *bars.stdout.split()}


def write(work, name, text):
    with open(os.path.join(work, name), "w") as f:
        f.write(text)
    return os.path.join(work, name)


def check_codes(build, work):
    """20 parts with external starts: each picture's Data Matrix, QR code and Code 128 read back
    (dmtxread, zbarimg) as that part's serial; the journal holds them all, marked."""
    write(work, "logo.svg", LOGO)
    run = txorb(build, "run", write(work, "job.toml", CODES_JOB), "--count", "20", "--sim",
                "--start", "external", "--start-every", "30", "--time-scale", "1000",
                "--size", "30", "--bits-per-mm", "600", "--no-progress", timeout=600)
    assert run.returncode == 0, run.stderr
    parts = journal(build, os.path.join(work, "job.journal.sqlite"))
    assert [int(p["serial"]) for p in parts] == list(range(41, 61)), parts
    today = datetime.date.today().isoformat()
    for p in parts:
        serial = int(p["serial"])
        assert p["outcome"] == "marked" and today in p["fields"], p
        found = read_codes(os.path.join(work, "job.parts", f"{serial}.png"))
        assert found == {f"SN{serial:06}", f"QR{serial}", f"C{serial}"}, (serial, found)


def check_kills(build, work):
    """Runs killed with SIGKILL at random moments, then one run to the end: the journal's serials
    run on without a gap or a repeat, the killed parts recorded as interrupted."""
    args = [os.path.join(build, "txorb"), "run", write(work, "job.toml", KILLS_JOB), "--sim",
            "--start", "now", "--time-scale", "20", "--no-progress"]
    rng = random.Random(int(os.environ.get("TXORB_KILL_SEED", time.time())))
    for _ in range(4):
        p = subprocess.Popen(args + ["--count", "100"], stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        time.sleep(rng.uniform(0.5, 2.0))  # after the start-up, mostly mid-part
        p.send_signal(signal.SIGKILL)
        p.wait()
    last = subprocess.run(args + ["--count", "2"], capture_output=True, text=True, timeout=120)
    assert last.returncode == 0, last.stderr
    parts = journal(build, os.path.join(work, "job.journal.sqlite"))
    serials = [int(p["serial"]) for p in parts]
    assert serials == list(range(1, len(parts) + 1)), serials
    outcomes = [p["outcome"] for p in parts]
    assert set(outcomes) <= {"marked", "interrupted"}, outcomes
    assert 1 <= outcomes.count("interrupted") <= 4 and outcomes[-2:] == ["marked"] * 2, outcomes


def check_dxf(build, work):
    """A 40 x 20 mm rectangle drawn by ezdxf (in a file not named .dxf) marks as 24,000 x 12,000
    bits at 600 bits/mm."""
    import ezdxf
    doc = ezdxf.new("R2010")
    doc.header["$INSUNITS"] = 4  # millimetres
    doc.modelspace().add_lwpolyline([(0, 0), (40, 0), (40, 20), (0, 20)], close=True)
    drawing, capture = os.path.join(work, "outline.drawing"), os.path.join(work, "cap.bin")
    doc.saveas(drawing)
    run = txorb(build, "mark", drawing, "--sim", "--capture", capture, "--out",
                os.path.join(work, "outline"), "--bits-per-mm", "600", timeout=120)
    assert run.returncode == 0, run.stderr
    decoded = txorb(build, "decode", capture, check=True).stdout
    points = [(int(x), int(y)) for x, y in
              re.findall(r"(?:Jump|PolA|PolB|PolC)_Abs (-?\d+) (-?\d+)", decoded)]
    xs, ys = [x for x, _ in points], [y for _, y in points]
    assert (max(xs) - min(xs), max(ys) - min(ys)) == (24000, 12000), (xs, ys)


def main():
    build, check = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        {"codes": check_codes, "kills": check_kills, "dxf": check_dxf}[check](build, work)


if __name__ == "__main__":
    main()
