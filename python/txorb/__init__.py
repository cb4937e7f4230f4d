"""Python interface to libtxorb, the host library of the TX-ORB laser scan-controller card.

A square on the virtual card (drop ``txorb.VirtualCard(1)`` for card 1 as the registry store
configures it)::

    import txorb

    with txorb.VirtualCard(1), txorb.Card(1) as card:
        card.set_speeds(jump=1000.0, mark=250.0)          # bits per millisecond
        with card.list(1) as lst:
            lst.polyline([(-1000, -1000), (1000, -1000), (1000, 1000), (-1000, 1000)],
                         closed=True)
        card.execute(1)
        card.wait_idle(timeout=10.0)

A call that the library refuses raises :class:`TxorbError` with its ``code``, ``name`` and the
library's ``message``. The library is found by ``TXORB_LIBRARY``, else the installed
``libtxorb.so.1``, else the source checkout's ``build/libtxorb.so``.
"""

from __future__ import annotations

from typing import Optional

from . import _library
from ._library import LibraryNotFoundError
from .card import STATUS_BUSY, Card, CardInfo
from .errors import TxorbError, error_message, error_name, last_failure
from .lists import ListBuilder
from .virtual_card import VirtualCard

__all__ = [
    "Card",
    "CardInfo",
    "LibraryNotFoundError",
    "ListBuilder",
    "STATUS_BUSY",
    "TxorbError",
    "VirtualCard",
    "error_message",
    "error_name",
    "file_version",
    "last_failure",
    "library",
    "library_path",
    "library_version",
]

__version__ = "1.0.0"


def library() -> object:
    """The loaded ctypes library, every export with its C signature; loads it on first use.
    For exports this package has no method for: ``txorb.library().Set_Wobble_List(5, 10)``
    (the result is not checked then)."""
    return _library.load()


def library_path() -> str:
    """The name or path the library was loaded by (loads it first)."""
    _library.load()
    return _library.loaded_from() or ""


def library_version() -> str:
    """The library's release version, e.g. "1.0.0"."""
    raw: Optional[bytes] = _library.load().txorb_library_version()
    return raw.decode("ascii", "replace") if raw else ""


def file_version() -> int:
    """The file version that programs written for the card check (``Get_DLL_Version``),
    e.g. 11249 for 11.2.49."""
    return int(_library.load().Get_DLL_Version())
