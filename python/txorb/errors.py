"""The exception of failed library calls and the helpers that check every call.

The library tells why a call failed through ``txorb_thread_last_failure()``: the code of the
most recent export called on this thread (0 when it succeeded). It is read right after each
call, on the same thread, so concurrent threads do not see each other's failures.
"""

from __future__ import annotations

from typing import Any, Callable, Optional, TypeVar

from . import _library

T = TypeVar("T")


def error_name(code: int) -> str:
    """The code's name without its ``TXORB_ERR_`` prefix ("NO_CARD_ACTIVE"), or
    ``"CODE_<n>"`` for a number the library has no name for."""
    raw: Optional[bytes] = _library.load().txorb_error_name(code & 0xFFFFFFFF)
    return raw.decode("ascii", "replace") if raw else f"CODE_{code}"


def error_message(code: int) -> str:
    """The library's own text for the code (``Get_Error_Message``), as the card system
    spells it."""
    if not -(2**31) <= code < 2**31:
        return ""
    raw: Optional[bytes] = _library.load().Get_Error_Message(code)
    return raw.decode("latin-1") if raw else ""


class TxorbError(Exception):
    """A library call failed.

    Attributes:
        code: the library's error code (26 for "No card active", ...); 0 only when the
            library reported a failure without giving a reason.
        name: the code's name, e.g. ``"NO_CARD_ACTIVE"``.
        message: the library's text for the code, e.g. ``"No card active"``.
        function: the export that failed, e.g. ``"Set_Jump_Speed"``.
    """

    def __init__(self, code: int, function: str) -> None:
        self.code = code
        self.function = function
        self.name = error_name(code)
        if code == 0:
            self.message = "the call failed without an error code"
        else:
            self.message = error_message(code)
        super().__init__(f"{function}: {self.message} (code {code}, {self.name})")


def last_failure() -> int:
    """The code of the most recent export called on this thread, 0 when it succeeded."""
    return int(_library.load().txorb_thread_last_failure())


def check(function: str, *args: Any) -> None:
    """Call an export that answers true on success; raise TxorbError when it answers false."""
    lib = _library.load()
    if not getattr(lib, function)(*args):
        raise TxorbError(last_failure(), function)


def value(function: str, *args: Any) -> Any:
    """Call an export that answers with a value; raise TxorbError when the call failed,
    which only the thread's last failure tells (the value is then a preset such as 0)."""
    lib = _library.load()
    result = getattr(lib, function)(*args)
    code = last_failure()
    if code != 0:
        raise TxorbError(code, function)
    return result


def coded(function: str, *args: Any) -> Any:
    """Call an export whose result is the error code itself (0 = success); raise on non-zero."""
    code = int(getattr(_library.load(), function)(*args))
    if code != 0:
        raise TxorbError(code, function)
    return code


def guarded(call: Callable[[], T]) -> Optional[T]:
    """Run ``call`` and swallow TxorbError, for clean-up paths that must not mask the error
    that is already on its way out."""
    try:
        return call()
    except TxorbError:
        return None
