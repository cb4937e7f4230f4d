#!/usr/bin/env python3
"""Checks the library's include structure: no folder of src/ includes a folder above it, and no
include cycle exists between folders or between files.

The layers, top to bottom: api > commands, list, info > link > config > platform; common may be
included from anywhere and includes none of them. Exit status 1 and one line per violation
when the structure is broken. Usage: check_layers.py [SRC_DIR]
"""
import os
import re
import sys

RANK = {"api": 4, "commands": 3, "list": 3, "info": 3, "link": 2, "config": 1, "platform": 0}
INCLUDE = re.compile(r'^#include "([^"]+)"', re.M)


def read_includes(src):
    files = {}
    for folder, _, names in os.walk(src):
        for name in names:
            if name.endswith((".h", ".cpp")):
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8") as f:
                    files[os.path.relpath(path, src)] = INCLUDE.findall(f.read())
    return files


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


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "../../src")
    files = read_includes(src)
    problems = list(layer_violations(files))
    file_graph = {path: [i for i in includes if i in files] for path, includes in files.items()}
    folder_graph = {}
    for path, includes in file_graph.items():
        for target in includes:
            a, b = path.split("/")[0], target.split("/")[0]
            if a != b:
                folder_graph.setdefault(a, set()).add(b)
    problems += ["folder cycle: " + " -> ".join(c) for c in cycles(folder_graph)]
    problems += ["file cycle: " + " -> ".join(c) for c in cycles(file_graph)]
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
