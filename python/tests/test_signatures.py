"""The ctypes signature table against the C header it mirrors, and against the loaded library."""

from __future__ import annotations

import ctypes
import re

import pytest

import txorb
from conftest import REPO_DIR
from txorb._signatures import SIGNATURES

HEADER = REPO_DIR / "include" / "txorb" / "txorb.h"

C_TYPES = {
    "void": None,
    "bool": ctypes.c_bool,
    "uint8_t": ctypes.c_uint8,
    "int16_t": ctypes.c_int16,
    "uint16_t": ctypes.c_uint16,
    "int32_t": ctypes.c_int32,
    "uint32_t": ctypes.c_uint32,
    "double": ctypes.c_double,
    "intptr_t": ctypes.c_ssize_t,
    "const char*": ctypes.c_char_p,
    "int16_t*": ctypes.POINTER(ctypes.c_int16),
    "uint16_t*": ctypes.POINTER(ctypes.c_uint16),
    "int32_t*": ctypes.POINTER(ctypes.c_int32),
    "double*": ctypes.POINTER(ctypes.c_double),
}


def header_signatures() -> dict:  # type: ignore[type-arg]
    text = re.sub(r"/\*.*?\*/", "", HEADER.read_text(), flags=re.S)
    out = {}
    for result, name, params in re.findall(r"TXORB_EXPORT\(([^)]*)\)\s*(\w+)\(([^)]*)\);", text):
        kinds = [] if params.strip() == "void" else [
            re.sub(r"\s*\w+$", "", p.strip()).replace(" *", "*") for p in params.split(",")]
        out[name] = (C_TYPES[result], [C_TYPES[k] for k in kinds])
    return out


def test_every_export_of_the_header_has_its_exact_signature() -> None:
    if not HEADER.is_file():
        pytest.skip("not in a source checkout")
    expected = header_signatures()
    assert len(expected) >= 160
    assert sorted(SIGNATURES) == sorted(expected)
    for name, signature in expected.items():
        assert SIGNATURES[name] == signature, name
    # intptr_t is pointer-wide.
    assert ctypes.sizeof(ctypes.c_ssize_t) == ctypes.sizeof(ctypes.c_void_p)


def test_the_loaded_library_has_every_export_with_its_signature() -> None:
    lib = txorb.library()
    for name, (result, arguments) in SIGNATURES.items():
        function = getattr(lib, name)
        assert (function.restype, function.argtypes) == (result, arguments), name
