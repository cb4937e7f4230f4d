#!/usr/bin/env python3
"""Static check of a built txorb.dll, without running it.

  check_dll.py DLL HEADER BUILD_VERSION_H [--objdump TOOL] [--stdcall]

- the export table holds exactly the TXORB_EXPORT names of txorb.h, undecorated;
- with --stdcall (the 32-bit DLL): each export's first return pops exactly the bytes its
  parameters take on the stack (double 8, everything else 4), i.e. it is __stdcall;
- the DLL imports only system DLLs and the C runtime (never the port driver);
- the string table holds resource 10000 + code = the text of every TXORB_ERROR_LIST line;
- the version resource's fixed file version, "FileVersion", product version and
  "ProductVersion" are the build's (txorb_build_version.h).

Prints one line per failed check and exits 1 when any failed.
"""
import argparse
import re
import struct
import subprocess
import sys

ALLOWED_IMPORTS = {"kernel32.dll", "user32.dll", "advapi32.dll", "version.dll", "msvcrt.dll",
                   "ucrtbase.dll"}
ALLOWED_IMPORT_PREFIX = "api-ms-win-crt-"
STRING_TABLE_BASE = 10000
RT_STRING = 6
RT_VERSION = 16
FIXED_FILE_INFO_SIGNATURE = 0xFEEF04BD


def header_exports(text):
    """[(name, argument bytes)] of every TXORB_EXPORT declaration, in header order."""
    exports = []
    pattern = re.compile(r"TXORB_EXPORT\([^)]*\) *([A-Za-z0-9_]+) *\(([^)]*)\)")
    for match in pattern.finditer(text):
        name, parameters = match.group(1), " ".join(match.group(2).split())
        size = 0
        if parameters not in ("", "void"):
            for parameter in parameters.split(","):
                parameter = parameter.strip()
                size += 8 if re.match(r"(const )?double [A-Za-z_]", parameter) else 4
        exports.append((name, size))
    return exports


def header_error_texts(text):
    return {int(code): literal.encode().decode("unicode_escape")
            for code, _, literal in re.findall(r'X\(([0-9]+), ([A-Z0-9_]+), "(.*)"\)', text)}


def build_versions(text):
    values = dict(re.findall(r'#define (TXORB_[A-Z_]+) "?([^"\n]*)"?', text))
    fixed = tuple(int(values["TXORB_FILE_VERSION_" + part])
                  for part in ("MAJOR", "MINOR", "BUILD", "REVISION"))
    return fixed, values["TXORB_FILE_VERSION_TEXT"], values["TXORB_RELEASE_VERSION"]


class PeFile:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE file")
        sections, optional_size = struct.unpack_from("<2xH12xH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.directory = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(16)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            vsize, vaddr, rsize, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((vaddr, max(vsize, rsize), raw))

    def offset(self, rva):
        for vaddr, size, raw in self.sections:
            if vaddr <= rva < vaddr + size:
                return raw + rva - vaddr
        raise ValueError("RVA %#x is in no section" % rva)

    def resources(self):
        """{(type, name id, language): bytes} of the resource tree (integer ids only)."""
        root_rva = self.directory[2][0]
        if root_rva == 0:
            return {}
        root = self.offset(root_rva)
        found = {}

        def walk(entry_offset, path):
            named, ids = struct.unpack_from("<12xHH", self.data, entry_offset)
            for i in range(named + ids):
                ident, target = struct.unpack_from("<II", self.data, entry_offset + 16 + 8 * i)
                key = path + (ident,)
                if target & 0x80000000:
                    walk(root + (target & 0x7FFFFFFF), key)
                else:
                    rva, size = struct.unpack_from("<II", self.data, root + target)
                    start = self.offset(rva)
                    found[key] = self.data[start:start + size]

        walk(root, ())
        return found


def string_table(resources):
    """{id: text} from the RT_STRING blocks: block b holds ids 16(b-1) .. 16(b-1)+15."""
    strings = {}
    for (kind, block, _), data in resources.items():
        if kind != RT_STRING:
            continue
        position = 0
        for index in range(16):
            length = struct.unpack_from("<H", data, position)[0]
            position += 2
            if length:
                strings[16 * (block - 1) + index] = data[position:position + 2 * length].decode(
                    "utf-16-le")
            position += 2 * length
    return strings


def version_nodes(data, offset=0, end=None):
    """The VS_VERSIONINFO tree flattened: [(key, type, value bytes)] in document order. Each
    node: wLength, wValueLength, wType, a UTF-16 key, padding to 4 bytes, the value, padding,
    then its children up to wLength."""
    nodes = []
    end = len(data) if end is None else end
    while offset + 6 <= end:
        length, value_length, kind = struct.unpack_from("<HHH", data, offset)
        if length == 0:
            break
        key_end = offset + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[offset + 6:key_end].decode("utf-16-le")
        value_start = (key_end + 2 + 3) & ~3
        value_bytes = value_length * 2 if kind == 1 else value_length
        nodes.append((key, kind, data[value_start:value_start + value_bytes]))
        children = (value_start + value_bytes + 3) & ~3
        nodes.extend(version_nodes(data, children, offset + length))
        offset = (offset + length + 3) & ~3
    return nodes


def version_info(resources):
    """(fixed file version, fixed product version, {string name: value})."""
    blocks = [data for (kind, _, _), data in resources.items() if kind == RT_VERSION]
    if len(blocks) != 1:
        raise ValueError("%d version resources" % len(blocks))
    nodes = version_nodes(blocks[0])
    fixed = nodes[0][2]
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    if signature != FIXED_FILE_INFO_SIGNATURE:
        raise ValueError("no fixed file information")
    split = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    strings = {key: value.decode("utf-16-le").rstrip("\0")
               for key, kind, value in nodes[1:] if kind == 1 and value}
    return split(file_ms, file_ls), split(product_ms, product_ls), strings


def objdump(tool, *arguments):
    return subprocess.run([tool, *arguments], check=True, capture_output=True, text=True).stdout


def exported_symbols(tool, dll):
    """{name: RVA} from the export table that objdump -p prints."""
    text = objdump(tool, "-p", dll)
    base = int(re.search(r"^ImageBase\s+([0-9a-fA-F]+)", text, re.M).group(1), 16)
    addresses = {}
    for ordinal, rva in re.findall(r"^\s*\[\s*(\d+)\] \+base\[\s*\d+\] ([0-9a-f]+) Export RVA",
                                   text, re.M):
        addresses[int(ordinal)] = int(rva, 16)
    names = {}
    table = text.split("[Ordinal/Name Pointer] Table", 1)
    if len(table) == 2:
        for ordinal, name in re.findall(r"^\s*\[\s*(\d+)\] (\S+)\s*$", table[1], re.M):
            names[name] = addresses.get(int(ordinal))
    return names, base


def popped_bytes(tool, dll, address):
    """What the function at address pops on return: the operand of its ret instructions
    (0 for a plain ret); for a function that only tail-jumps, what its target pops, read from
    the target's decorated name (_Name@N) or 0 for an undecorated one. None when the returns
    disagree or none is found. The function ends at the next symbol."""
    text = objdump(tool, "-d", "--no-show-raw-insn", "--start-address=%#x" % address,
                   "--stop-address=%#x" % (address + 8192), dll)
    body = text.split(">:\n", 1)[-1].split(">:\n", 1)[0]
    pops = {int(operand[1:], 16) if operand else 0
            for operand in re.findall(r"\tret\s*(\$0x[0-9a-f]+)?\s*$", body, re.M)}
    if not pops:
        for target in re.findall(r"\tjmp\s+[0-9a-f]+ <([^>+]+)>", body):
            decorated = re.search(r"@(\d+)$", target)
            pops.add(int(decorated.group(1)) if decorated else 0)
    return pops.pop() if len(pops) == 1 else None


def imported_dlls(tool, dll):
    return re.findall(r"^\s*DLL Name: (\S+)", objdump(tool, "-p", dll), re.M)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dll")
    parser.add_argument("header")
    parser.add_argument("build_version_h")
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    parser.add_argument("--stdcall", action="store_true")
    args = parser.parse_args()

    header = open(args.header, encoding="utf-8").read()
    failures = []
    expected = header_exports(header)
    exports, base = exported_symbols(args.objdump, args.dll)
    missing = [name for name, _ in expected if name not in exports]
    extra = sorted(set(exports) - {name for name, _ in expected})
    if missing:
        failures.append("exports missing: " + " ".join(missing))
    if extra:
        failures.append("exports not in txorb.h: " + " ".join(extra))

    if args.stdcall:
        for name, size in expected:
            if name not in exports:
                continue
            popped = popped_bytes(args.objdump, args.dll, base + exports[name])
            if popped != size:
                failures.append("%s returns with ret $%s, its arguments take %d bytes"
                                % (name, popped, size))

    for dll in imported_dlls(args.objdump, args.dll):
        lowered = dll.lower()
        if lowered not in ALLOWED_IMPORTS and not lowered.startswith(ALLOWED_IMPORT_PREFIX):
            failures.append("imports %s" % dll)

    resources = PeFile(open(args.dll, "rb").read()).resources()
    strings = string_table(resources)
    for code, text in sorted(header_error_texts(header).items()):
        got = strings.get(STRING_TABLE_BASE + code)
        if got != text:
            failures.append("string %d is %r, the list says %r" % (STRING_TABLE_BASE + code,
                                                                    got, text))
    fixed, file_text, release = build_versions(open(args.build_version_h).read())
    file_version, product_version, version_strings = version_info(resources)
    release_fixed = tuple(int(part) for part in (release.split(".") + ["0"] * 4)[:4])
    checks = [
        ("fixed file version", file_version, fixed),
        ("\"FileVersion\"", version_strings.get("FileVersion"), file_text),
        ("fixed product version", product_version, release_fixed),
        ("\"ProductVersion\"", version_strings.get("ProductVersion"), release),
    ]
    for what, got, want in checks:
        if got != want:
            failures.append("%s is %r, not %r" % (what, got, want))

    for failure in failures:
        print("%s: %s" % (args.dll, failure))
    print("%s: %d exports, %d strings, %s" % (args.dll, len(exports), len(strings),
                                             "FAILED" if failures else "ok"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
