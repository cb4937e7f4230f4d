#!/usr/bin/env python3
"""Checks the include structure of the library and of the tools: no folder includes a folder
above it, and no include cycle exists between folders or between files.

The library's layers (src/), top to bottom: api > commands, list, info > link > config >
platform; common may be included from anywhere and includes none of them.

The tools (tools/ beside src/): the drawing pipeline (tools/drawing) never includes the card
library's header, CLI11, the command-line tool or the virtual card; its readers (input > svg >
text > model > geometry) and its planning (program > plan > model > geometry) each include only
their own side and the folders below them, so plan/ never sees svg/; only the list player
(tools/cli/run/list_player.*) calls the library's list exports (those of txorb.h's list
commands and bitmap lines).

Exit status 1 and one line per violation when the structure is broken.
Usage: check_layers.py [SRC_DIR]
"""
import os
import re
import sys

RANK = {"api": 4, "commands": 3, "list": 3, "info": 3, "link": 2, "config": 1, "platform": 0}
INCLUDE = re.compile(r'^#include [<"]([^">]+)[">]', re.M)

# tools/drawing's folders: (side, rank); a folder includes its own side and shared folders of a
# lower rank. Folders not named here (job/, dxf/, codes/...) take part in the cycle checks only.
DRAWING = {"geometry": ("shared", 0), "model": ("shared", 1),
           "text": ("reading", 2), "svg": ("reading", 3), "input": ("reading", 4),
           "plan": ("planning", 2), "program": ("planning", 3)}
DRAWING_NEVER = ("txorb/", "CLI/", "cli/", "sim/")
PLAYER = ("cli/run/list_player.h", "cli/run/list_player.cpp")


def read_sources(root):
    files = {}
    for folder, _, names in os.walk(root):
        for name in names:
            if name.endswith((".h", ".cpp")):
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8") as f:
                    files[os.path.relpath(path, root)] = f.read()
    return files


def read_includes(src):
    return {path: INCLUDE.findall(text) for path, text in read_sources(src).items()}


def layer_violations(files):
    for path, includes in files.items():
        folder = path.split("/")[0]
        for target in includes:
            to = target.split("/")[0]
            if to == folder or to not in RANK and to != "common":
                continue
            if folder == "common" and to != "common":
                yield f"{path}: common includes {target}"
            elif folder in RANK and to in RANK and RANK[to] > RANK[folder]:
                yield f"{path}: {folder} includes {target}, a layer above it"


def drawing_violations(files):
    """files: tools/drawing's sources as "drawing/FOLDER/NAME" -> includes."""
    for path, includes in files.items():
        folder = path.split("/")[1]
        for target in includes:
            if target.startswith(DRAWING_NEVER):
                yield f"tools/{path}: the drawing pipeline includes {target}"
                continue
            parts = target.split("/")
            if parts[0] != "drawing" or len(parts) < 3 or parts[1] == folder:
                continue
            to = parts[1]
            if folder not in DRAWING or to not in DRAWING:
                continue
            (side, rank), (to_side, to_rank) = DRAWING[folder], DRAWING[to]
            if to_side not in ("shared", side) or to_rank > rank:
                yield f"tools/{path}: {folder} includes {target}, not below it on its side"


def list_exports(header):
    """The list commands' and bitmap lines' export names, from their sections of txorb.h."""
    names, section = set(), False
    for line in header.splitlines():
        if line.startswith("/* ----"):
            section = "List commands" in line or "Bitmap lines" in line
        elif section:
            names.update(re.findall(r"^TXORB_EXPORT\(\w+\) (\w+)\(", line))
    return names


def code_only(text):
    """The text without comments and string or character literals."""
    return re.sub(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\])*"|\'(?:\\.|[^\'\\])*\'', " ", text, flags=re.S)


def list_export_calls(tools, exports):
    call = re.compile(r"\b(" + "|".join(sorted(exports)) + r")\s*\(")
    for path, text in tools.items():
        if path in PLAYER:
            continue
        for name in sorted(set(call.findall(code_only(text)))):
            yield f"tools/{path}: calls {name}, a list export only the list player calls"


def cycles(graph):
    state = {}
    found = []

    def visit(node, path):
        state[node] = "open"
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                found.append(path[path.index(nxt):] + [nxt])
            elif nxt not in state:
                visit(nxt, path + [nxt])
        state[node] = "done"

    for node in sorted(graph):
        if node not in state:
            visit(node, [node])
    return found


def cycle_problems(files, depth):
    """Folder cycles (folders `depth` deep) and file cycles among files -> includes."""
    file_graph = {path: [i for i in includes if i in files] for path, includes in files.items()}
    folder_graph = {}
    for path, includes in file_graph.items():
        for target in includes:
            a, b = path.split("/")[depth], target.split("/")[depth]
            if a != b:
                folder_graph.setdefault(a, set()).add(b)
    return ["folder cycle: " + " -> ".join(c) for c in cycles(folder_graph)] + [
        "file cycle: " + " -> ".join(c) for c in cycles(file_graph)]


def tool_problems(root):
    tools = read_sources(os.path.join(root, "tools"))
    with open(os.path.join(root, "include/txorb/txorb.h"), encoding="utf-8") as f:
        exports = list_exports(f.read())
    drawing = {p: INCLUDE.findall(t) for p, t in tools.items() if p.startswith("drawing/")}
    problems = list(drawing_violations(drawing))
    problems += ["tools/drawing: " + c for c in cycle_problems(drawing, 1)]
    problems += list(list_export_calls(tools, exports))
    if len(exports) < 20:
        problems.append("txorb.h: its list commands were not found")
    return problems


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../../src")
    files = read_includes(src)
    problems = list(layer_violations(files)) + cycle_problems(files, 0)
    root = os.path.dirname(os.path.abspath(src))
    if os.path.isdir(os.path.join(root, "tools")):
        problems += tool_problems(root)
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
