"""``python -m txorb info``: which library is loaded, its versions, and what a card says.

Exit status 0 when the library loaded (whether or not a card answers, unless ``--card`` was
given and that card does not answer), 1 otherwise.
"""

from __future__ import annotations

import argparse
import sys
from typing import List, Optional, TextIO

from . import Card, LibraryNotFoundError, TxorbError, file_version, library_path, library_version


def info(card_number: Optional[int], out: TextIO) -> int:
    try:
        path = library_path()
    except LibraryNotFoundError as error:
        print(error, file=out)
        return 1
    print(f"library: {path}", file=out)
    print(f"release: {library_version()}", file=out)
    version = file_version()
    print(f"file version: {version}", file=out)
    number = 1 if card_number is None else card_number
    try:
        with Card(number) as card:
            about = card.info()
    except TxorbError as error:
        print(f"card {number}: no answer: {error.message} (code {error.code}, {error.name})",
              file=out)
        return 0 if card_number is None else 1
    print(f"card {number}: version {about.version}, KRT1 version {about.krt1_version}, "
          f"ident 0x{about.ident:08X}, CPU type {about.cpu_type}", file=out)
    return 0


def main(argv: Optional[List[str]] = None) -> int:
    parser = argparse.ArgumentParser(prog="python -m txorb",
                                     description="The TX-ORB card library from Python.")
    commands = parser.add_subparsers(dest="command", required=True)
    about = commands.add_parser("info", help="library versions and what a card says")
    about.add_argument("--card", type=int, default=None,
                       help="the card to ask (default 1; when given, no answer is a failure)")
    args = parser.parse_args(argv)
    return info(args.card, sys.stdout)


if __name__ == "__main__":
    sys.exit(main())
