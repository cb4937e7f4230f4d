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

The resources are read from the DLL as the toolchain's windres decompiles them.

Prints one line per failed check and exits 1 when any failed.
"""
import argparse
import re
import subprocess
import sys

ALLOWED_IMPORTS = {"kernel32.dll", "user32.dll", "advapi32.dll", "version.dll", "msvcrt.dll",
                   "ucrtbase.dll"}
ALLOWED_IMPORT_PREFIX = "api-ms-win-crt-"
STRING_TABLE_BASE = 10000


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


def resources(windres, dll):
    """(string table {id: text}, fixed file version, fixed product version, {version string
    name: value}) from the resource script windres makes of the DLL."""
    script = subprocess.run([windres, "-i", dll, "-O", "rc"], check=True, capture_output=True,
                            text=True).stdout
    unquote = lambda text: text.replace('""', '"').replace("\\\\", "\\")
    strings = {int(ident): unquote(text)
               for ident, text in re.findall(r'^\s+(\d+), "((?:[^"]|"")*)"$', script, re.M)}
    fixed = lambda key: tuple(int(part) for part in
                              re.search(r"^ %s ([\d, ]+)$" % key, script, re.M).group(1).split(","))
    values = dict(re.findall(r'VALUE "(\w+)", "([^"]*)"', script))
    return strings, fixed("FILEVERSION"), fixed("PRODUCTVERSION"), values


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

    strings, file_version, product_version, version_strings = resources(
        args.objdump.replace("objdump", "windres"), args.dll)
    for code, text in sorted(header_error_texts(header).items()):
        got = strings.get(STRING_TABLE_BASE + code)
        if got != text:
            failures.append("string %d is %r, the list says %r" % (STRING_TABLE_BASE + code,
                                                                    got, text))
    fixed, file_text, release = build_versions(open(args.build_version_h).read())
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
