"""The virtual card for the tests: txorb-sim on a pty in a temporary directory, and a registry
store that makes it COM1 of card 1.

The binaries come from TXORB_BUILD_DIR (default: the checkout's build/). The package under test
is the one in this checkout, and it loads that build's libtxorb.so unless TXORB_LIBRARY is set.
"""

from __future__ import annotations

import json
import os
import select
import signal
import subprocess
import sys
from pathlib import Path
from typing import Any, Dict, Iterator, List, Sequence

import pytest

PYTHON_DIR = Path(__file__).resolve().parent.parent
REPO_DIR = PYTHON_DIR.parent
BUILD_DIR = Path(os.environ.get("TXORB_BUILD_DIR") or REPO_DIR / "build").resolve()
SIMULATOR = BUILD_DIR / "txorb-sim"

sys.path.insert(0, str(PYTHON_DIR))
os.environ.setdefault("TXORB_LIBRARY", str(BUILD_DIR / "libtxorb.so"))

START_TIMEOUT_S = 5.0
STOP_TIMEOUT_S = 10.0


# Short, so that a card that does not answer fails a test in well under a second.
COMM_TIMEOUT_MS = 400


def write_store(path: Path, links: Dict[int, Path]) -> None:
    """A registry store in which card N's serial port is COM N, the device at links[N]."""
    ports = "".join(f'"COM{n}"="{link}"\n' for n, link in links.items())
    cards = "".join(f"[HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card{n}]\n"
                    f'"serial_port"="{n}"\n"comm_timeout"="{COMM_TIMEOUT_MS}"\n\n'
                    for n in links)
    path.write_text("Windows Registry Editor Version 5.00\n\n"
                    f"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB\\ComPorts]\n{ports}\n"
                    + cards)


class VirtualCard:
    """A running txorb-sim; ``registry`` is the store that names it as card 1's COM1."""

    def __init__(self, directory: Path, extra_args: Sequence[str] = ()) -> None:
        self.directory = directory
        self.link = directory / "tty"
        self.log = directory / "log.jsonl"
        self.registry = directory / "registry.reg"
        if not SIMULATOR.is_file():
            pytest.fail(f"{SIMULATOR} is missing: build txorb-sim or set TXORB_BUILD_DIR")
        self.process = subprocess.Popen(
            [str(SIMULATOR), "--link", str(self.link), "--socket", str(directory / "sim.sock"),
             "--log", str(self.log), "--disk", str(directory / "disk"), *extra_args],
            stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, start_new_session=True)
        assert self.process.stdout is not None
        ready, _, _ = select.select([self.process.stdout], [], [], START_TIMEOUT_S)
        line = self.process.stdout.readline().decode().strip() if ready else ""
        if not line.startswith("/"):
            self.stop()
            pytest.fail(f"txorb-sim did not name its pty (first line {line!r})")
        self.pty = line

    def write_registry(self) -> None:
        """The store that makes this card COM1 of card 1."""
        write_store(self.registry, {1: self.link})

    def stop(self) -> int:
        """SIGTERM (the log is complete after it), bounded; the exit status."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(STOP_TIMEOUT_S)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.process.stdout is not None:
            self.process.stdout.close()
        return self.process.returncode

    def events(self, kind: str) -> List[Dict[str, Any]]:
        """The log's events of one kind ("move", "packet", ...), in order."""
        out = []
        for line in self.log.read_text().splitlines():
            event = json.loads(line)
            if event.get("event") == kind:
                out.append(event)
        return out

    def list_records(self) -> List[str]:
        """Every list record the card received, decoded ("Jump_Abs -1000 -1000")."""
        return [record for packet in self.events("packet") if packet["opcode"] == 156
                for record in packet.get("records", [])]

    def moves(self) -> List[tuple]:  # type: ignore[type-arg]
        """(kind, from, to) of every move, positions as integer bit pairs."""
        return [(m["kind"], tuple(round(v) for v in m["from"]), tuple(round(v) for v in m["to"]))
                for m in self.events("move")]


@pytest.fixture
def no_store(tmp_path: Path, monkeypatch: pytest.MonkeyPatch) -> Path:
    """A registry store path with nothing in it, so that the machine's own store is not read."""
    path = tmp_path / "no-registry.reg"
    monkeypatch.setenv("TXORB_REGISTRY", str(path))
    return path


@pytest.fixture
def sim(tmp_path: Path, monkeypatch: pytest.MonkeyPatch) -> Iterator[VirtualCard]:
    card = VirtualCard(tmp_path)
    card.write_registry()
    monkeypatch.setenv("TXORB_REGISTRY", str(card.registry))
    try:
        yield card
    finally:
        card.stop()
