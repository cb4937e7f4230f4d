"""Finding and loading libtxorb.

The library is looked for, in this order:

1. the file named by the environment variable ``TXORB_LIBRARY``;
2. the installed ``libtxorb.so.1`` (the dynamic loader's search, then
   :func:`ctypes.util.find_library`);
3. ``build/libtxorb.so`` of the source checkout this package was imported from.

On Windows the library is ``txorb.dll``, loaded with the standard calling convention.
The first successful load is kept for the life of the process.
"""

from __future__ import annotations

import ctypes
import ctypes.util
import os
import threading
from pathlib import Path
from typing import Any, List, Optional

from ._signatures import apply_signatures

LIBRARY_VARIABLE = "TXORB_LIBRARY"
SONAME = "libtxorb.so.1"
WINDOWS_NAME = "txorb.dll"

_lock = threading.Lock()
_loaded: Optional[Any] = None
_loaded_from: Optional[str] = None


class LibraryNotFoundError(OSError):
    """No libtxorb could be loaded; ``attempts`` lists each place tried and why it failed."""

    def __init__(self, attempts: List[str]) -> None:
        self.attempts = list(attempts)
        super().__init__("libtxorb could not be loaded:\n  " + "\n  ".join(self.attempts))


def checkout_library_path() -> Path:
    """``build/libtxorb.so`` of the checkout that holds this package (python/txorb/ in it)."""
    return Path(__file__).resolve().parent.parent.parent / "build" / "libtxorb.so"


def _candidates() -> List[str]:
    """The names and paths to try, in order (Linux and other POSIX systems)."""
    names: List[str] = []
    explicit = os.environ.get(LIBRARY_VARIABLE, "")
    if explicit:
        # An explicit choice is the only one: falling back would test another library.
        return [explicit]
    names.append(SONAME)
    found = ctypes.util.find_library("txorb")
    if found and found not in names:
        names.append(found)
    names.append(str(checkout_library_path()))
    return names


def _open(name: str) -> Any:
    if os.name == "nt":
        return ctypes.WinDLL(name)  # type: ignore[attr-defined]
    return ctypes.CDLL(name)


def load() -> Any:
    """The loaded library with every export's signature set; loads it on first use.

    Raises:
        LibraryNotFoundError: when no candidate loads.
    """
    global _loaded, _loaded_from
    with _lock:
        if _loaded is not None:
            return _loaded
        if os.name == "nt":
            explicit = os.environ.get(LIBRARY_VARIABLE, "")
            names = [explicit] if explicit else [WINDOWS_NAME]
        else:
            names = _candidates()
        attempts: List[str] = []
        for name in names:
            try:
                lib = _open(name)
            except OSError as error:
                attempts.append(f"{name}: {error}")
                continue
            apply_signatures(lib)
            _loaded, _loaded_from = lib, name
            return lib
        raise LibraryNotFoundError(attempts)


def loaded_from() -> Optional[str]:
    """The name or path the library was loaded by, or None before the first load."""
    return _loaded_from
