"""The virtual card: ``txorb-sim`` on a pseudo-terminal, connected as card N for as long as a
``with`` block runs, so that programs can be tried without a card::

    with txorb.VirtualCard(1), txorb.Card(1) as card:
        ...

The simulator is ``TXORB_SIM`` when that is set, else the ``txorb-sim`` beside the loaded
library (a build directory), else the one on PATH (an installed one).
"""

from __future__ import annotations

import os
import shutil
import signal
import subprocess
import tempfile
import time
from pathlib import Path
from types import TracebackType
from typing import Dict, List, Optional, Sequence, Type

from . import _library, values

SIMULATOR_VARIABLE = "TXORB_SIM"
REGISTRY_VARIABLE = "TXORB_REGISTRY"
SIMULATOR_NAME = "txorb-sim"
START_TIMEOUT_S = 10.0
STOP_TIMEOUT_S = 5.0


def find_simulator() -> str:
    """The txorb-sim to run; FileNotFoundError, naming each place looked at, when there is none."""
    explicit = os.environ.get(SIMULATOR_VARIABLE, "")
    if explicit:
        return explicit
    looked: List[str] = []
    loaded = _library.loaded_from() or ""
    if os.sep in loaded:
        beside = Path(loaded).resolve().parent / SIMULATOR_NAME
        if os.access(beside, os.X_OK):
            return str(beside)
        looked.append(str(beside))
    on_path = shutil.which(SIMULATOR_NAME)
    if on_path:
        return on_path
    looked.append(f"{SIMULATOR_NAME} on PATH")
    raise FileNotFoundError(f"no virtual card: set {SIMULATOR_VARIABLE} (looked for "
                            + ", ".join(looked) + ")")


def registry_text(devices: Dict[int, str], comm_timeout_ms: int) -> str:
    """A registry store in which each card N of ``devices`` talks to its device as COM port N."""
    ports = "".join(f'"COM{n}"="{device}"\n' for n, device in devices.items())
    cards = "".join(f"[HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card{n}]\n"
                    f'"serial_port"="{n}"\n"comm_timeout"="{comm_timeout_ms}"\n\n'
                    for n in devices)
    return ("Windows Registry Editor Version 5.00\n\n"
            f"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB\\ComPorts]\n{ports}\n{cards}")


class VirtualCard:
    """A running ``txorb-sim`` that the library sees as card ``number`` (1..10).

    Entering starts the simulator in a temporary directory, writes a registry store that
    connects card ``number`` to it and points ``TXORB_REGISTRY`` (of this whole process) at
    that store. Leaving removes the card from the library, stops the simulator (SIGTERM, then
    SIGKILL after 5 s), puts ``TXORB_REGISTRY`` back and deletes the directory. ``arguments``
    go to txorb-sim as they are (``["--render", "out/marked"]``: pictures of what was marked);
    ``pty`` is the simulator's terminal once it runs, ``exit_status`` its exit status once it
    has stopped (0: it stopped cleanly).
    """

    def __init__(self, number: int = 1, arguments: Sequence[str] = (),
                 comm_timeout_ms: int = 2000, simulator: Optional[str] = None) -> None:
        self.number = values.integer(number, 1, 10, "card number")
        self.arguments = list(arguments)
        self.comm_timeout_ms = values.integer(comm_timeout_ms, 1, 0x7FFFFFFF, "comm timeout")
        self.simulator = simulator
        self.pty = ""
        self.exit_status: Optional[int] = None
        self.directory: Optional[Path] = None
        self._process: Optional["subprocess.Popen[bytes]"] = None
        self._saved_registry: Optional[str] = None

    def __enter__(self) -> "VirtualCard":
        _library.load()  # the simulator may be the one beside the library
        program = self.simulator or find_simulator()
        self.directory = Path(tempfile.mkdtemp(prefix="txorb-virtual-card-"))
        try:
            self._start(program)
            link = self.directory / "tty"  # kept pointing at the pty, also after a hang-up
            registry = self.directory / "registry.reg"
            registry.write_text(registry_text({self.number: str(link)}, self.comm_timeout_ms))
            self._saved_registry = os.environ.get(REGISTRY_VARIABLE)
            os.environ[REGISTRY_VARIABLE] = str(registry)
        except BaseException:
            self._stop()
            raise
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 trace: Optional[TracebackType]) -> None:
        # Before the simulator goes: the library must not keep a port that nobody answers.
        # (Only a card that is there: removing an empty slot would leave no card active.)
        lib = _library.load()
        if lib.Set_Active_Card(self.number):
            lib.Remove_Scan_Card_Ex(self.number)
        if self._saved_registry is None:
            os.environ.pop(REGISTRY_VARIABLE, None)
        else:
            os.environ[REGISTRY_VARIABLE] = self._saved_registry
        self._stop()

    def _start(self, program: str) -> None:
        """Runs the simulator and waits for the first line of its output: the pty's path."""
        assert self.directory is not None
        output = self.directory / "stdout"
        with open(output, "wb") as sink:
            self._process = subprocess.Popen(
                [program, "--link", str(self.directory / "tty"),
                 "--socket", str(self.directory / "sim.sock"), *self.arguments],
                stdin=subprocess.DEVNULL, stdout=sink)
        deadline = time.monotonic() + START_TIMEOUT_S
        while time.monotonic() < deadline:
            first, newline, _ = output.read_bytes().partition(b"\n")
            if newline:
                self.pty = first.decode(errors="replace").strip()
                return
            if self._process.poll() is not None:
                raise RuntimeError(f"{program} exited with status {self._process.returncode} "
                                   "before it named its terminal")
            time.sleep(0.01)
        raise TimeoutError(f"{program} named no terminal within {START_TIMEOUT_S} s")

    def _stop(self) -> None:
        if self._process is not None and self._process.poll() is None:
            self._process.send_signal(signal.SIGTERM)
            try:
                self._process.wait(STOP_TIMEOUT_S)
            except subprocess.TimeoutExpired:
                self._process.kill()
                self._process.wait()
        if self._process is not None:
            self.exit_status = self._process.returncode
        self._process = None
        if self.directory is not None:
            shutil.rmtree(self.directory, ignore_errors=True)
            self.directory = None
