"""The virtual card for the tests: txorb.VirtualCard, with the simulator's log kept for the
test to read.

The binaries come from TXORB_BUILD_DIR (default: the checkout's build/). The package under test
is the one in this checkout, and it loads that build's libtxorb.so unless TXORB_LIBRARY is set.
"""

from __future__ import annotations

import json
import os
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

import txorb  # noqa: E402  (the checkout's package, found through the path above)

# Short, so that a card that does not answer fails a test in well under a second.
COMM_TIMEOUT_MS = 400


def write_store(path: Path, links: Dict[int, Path]) -> None:
    """A registry store in which card N's serial port is COM N, the device at links[N]."""
    devices = {n: str(link) for n, link in links.items()}
    path.write_text(txorb.virtual_card.registry_text(devices, COMM_TIMEOUT_MS))


class LoggedCard:
    """txorb.VirtualCard as card ``number``, its log and disk kept in ``directory`` for after
    it has stopped."""

    def __init__(self, directory: Path, extra_args: Sequence[str] = (), number: int = 1) -> None:
        self.directory = directory
        self.log = directory / "log.jsonl"
        if not SIMULATOR.is_file():
            pytest.fail(f"{SIMULATOR} is missing: build txorb-sim or set TXORB_BUILD_DIR")
        self.card = txorb.VirtualCard(
            number, ["--log", str(self.log), "--disk", str(directory / "disk"), *extra_args],
            comm_timeout_ms=COMM_TIMEOUT_MS, simulator=str(SIMULATOR))
        self.card.__enter__()
        assert self.card.directory is not None
        self.link = self.card.directory / "tty"

    def stop(self) -> int:
        """Stops the simulator (the log is complete after it); its exit status."""
        if self.card.directory is not None:
            self.card.__exit__(None, None, None)
        return int(self.card.exit_status or 0)

    def events(self, kind: str) -> List[Dict[str, Any]]:
        """The log's events of one kind ("move", "packet", ...), in order."""
        events = (json.loads(line) for line in self.log.read_text().splitlines())
        return [event for event in events if event.get("event") == kind]

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
def sim(tmp_path: Path) -> Iterator[LoggedCard]:
    card = LoggedCard(tmp_path)
    try:
        yield card
    finally:
        card.stop()
