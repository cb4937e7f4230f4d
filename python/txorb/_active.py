"""Making a card the active one, which every call on a card does first.

The library sends each command to its one active card; a Card and the list builders it hands
out both go through here before a call, so that two cards can be used side by side.
"""

from __future__ import annotations

from typing import Protocol

from . import _library, errors


class NumberedCard(Protocol):
    """Anything that names a card by its number (1..10): a :class:`txorb.Card`."""

    number: int


def activate(card: NumberedCard) -> None:
    """Make ``card`` the active card unless it already is.

    Raises:
        TxorbError: when another card is active and this one cannot take its place.
    """
    lib = _library.load()
    active = lib.Get_Active_Card()
    if active == card.number or lib.Set_Active_Card(card.number):
        return
    code = errors.last_failure()
    # With no card active, the call that follows fails by itself with the library's
    # "No card active"; with another card active it must not be sent there.
    if active != 0:
        raise errors.TxorbError(code, "Set_Active_Card")
