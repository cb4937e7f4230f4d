"""Where the library is looked for, its versions, and `python -m txorb info`."""

from __future__ import annotations

import os
import subprocess
import sys
from pathlib import Path
from typing import Dict, List, Tuple

import txorb
from conftest import PYTHON_DIR, REPO_DIR
from txorb import _library

# The file version 11.2.49 that programs written for the card check, as one number.
FILE_VERSION = 11249
# What the virtual card says about itself.
SIM_CARD_LINE = "card 1: version 512, KRT1 version 257, ident 0x54584F52, CPU type 2"


def run_info(args: List[str], **env: str) -> Tuple[int, List[str]]:
    environment: Dict[str, str] = dict(os.environ, PYTHONPATH=str(PYTHON_DIR), **env)
    done = subprocess.run([sys.executable, "-m", "txorb", "info", *args], env=environment,
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60)
    return done.returncode, done.stdout.decode().splitlines()


def test_lookup_order_is_variable_then_installed_then_checkout(monkeypatch) -> None:
    monkeypatch.setenv("TXORB_LIBRARY", "/opt/elsewhere/libtxorb.so")
    assert _library._candidates() == ["/opt/elsewhere/libtxorb.so"]
    monkeypatch.delenv("TXORB_LIBRARY")
    monkeypatch.setattr(_library.ctypes.util, "find_library", lambda name: "libtxorb.so.7")
    checkout = str(REPO_DIR / "build" / "libtxorb.so")
    assert _library._candidates() == ["libtxorb.so.1", "libtxorb.so.7", checkout]
    monkeypatch.setattr(_library.ctypes.util, "find_library", lambda name: None)
    assert _library._candidates() == ["libtxorb.so.1", checkout]


def test_versions_of_the_library_and_the_package_agree() -> None:
    assert txorb.library_version() == txorb.__version__ == "1.0.0"
    assert txorb.file_version() == FILE_VERSION
    assert txorb.library_path() == os.environ["TXORB_LIBRARY"]


def test_error_names_and_texts_come_from_the_library() -> None:
    cases = [
        (0, "OK", "No error"),
        (26, "NO_CARD_ACTIVE", "No card active"),
        (39, "COULD_NOT_RECEIVE_FROM_RTB",
         "Could not recieve a response from the RTB (communications failure)."),
        (52, "CODE_52", None),          # past the last code: no name
    ]
    for code, name, text in cases:
        assert txorb.error_name(code) == name
        if text is not None:
            assert txorb.error_message(code) == text


def test_info_names_library_versions_and_the_card(sim) -> None:
    status, lines = run_info([])
    assert status == 0
    assert lines == [f"library: {os.environ['TXORB_LIBRARY']}", "release: 1.0.0",
                     f"file version: {FILE_VERSION}", SIM_CARD_LINE]


def test_info_exit_status_without_a_card_or_a_library(no_store, tmp_path: Path) -> None:
    status, lines = run_info([])
    assert status == 0     # no card is not a failure unless one was asked for
    assert lines[-1] == ("card 1: no answer: Serial port key not found in Registry "
                         "(code 32, SERIAL_PORT_KEY_NOT_FOUND)")
    status, lines = run_info(["--card", "11"])
    assert status == 1
    assert lines[-1] == "card 11: no answer: Invalid card number (code 30, INVALID_CARD_NUMBER)"
    missing = str(tmp_path / "libtxorb.so")
    status, lines = run_info([], TXORB_LIBRARY=missing)
    assert status == 1
    assert lines[0] == "libtxorb could not be loaded:"
    assert lines[1].startswith(f"  {missing}: ")
