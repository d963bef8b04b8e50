#!/usr/bin/env python3
"""Writes a compile database in which the sources of each library (and of the logic tests)
are checked in a few batches, each one translation unit that includes several of its
sources, instead of one by one. clang-tidy spends most of its time on the headers every
source includes (Qt's, GoogleTest's, the standard library's); in a batch they are read and
checked once for several sources.

    tidy-batches.py COMPILE_COMMANDS_JSON REPO_ROOT OUT_DIR

Writes OUT_DIR/compile_commands.json and the batch sources OUT_DIR/batches/*.cpp; OUT_DIR
must lie in the source tree, where clang-tidy finds .clang-tidy for the batches. Every
other source keeps its own entry. Findings in a batch's sources are reported under their
own file names.
"""
import json
import os
import re
import shlex
import sys

BATCHED_FOLDERS = ("src/", "tests/logic/", "tests/ui/support/", "tools/demo-portal/")
SOURCES_PER_BATCH = 8
# Sources that include a C library's headers (xcb, GLib) or undefine a macro stay alone:
# those macros would reach the sources after them in a batch.
ALONE = re.compile(r"^\s*#\s*(undef\b|include\s*<(xcb|gio|glib)[/.])", re.MULTILINE)


def main():
    database_path, repo_root, out_dir = sys.argv[1:4]
    with open(database_path, encoding="utf-8") as f:
        entries = json.load(f)
    prefixes = tuple(os.path.join(repo_root, folder) for folder in BATCHED_FOLDERS)
    kept, groups = [], {}
    for entry in entries:
        file = entry["file"]
        if file.startswith(prefixes) and file.endswith(".cpp") and not alone(file):
            # Sources built with the same flags (one target's) can share a batch.
            groups.setdefault(strip(entry["command"], file), []).append(entry)
        else:
            kept.append(entry)

    os.makedirs(os.path.join(out_dir, "batches"), exist_ok=True)
    number = 0
    for flags, group in groups.items():
        group.sort(key=lambda e: e["file"])
        if len(group) == 1:
            kept.extend(group)
            continue
        for start in range(0, len(group), SOURCES_PER_BATCH):
            batch = os.path.join(out_dir, "batches", f"batch_{number}.cpp")
            number += 1
            with open(batch, "w", encoding="utf-8") as f:
                f.writelines(f'#include "{e["file"]}"  // NOLINT(bugprone-suspicious-include)\n'
                             for e in group[start:start + SOURCES_PER_BATCH])
            kept.append({"directory": group[start]["directory"], "file": batch,
                         "command": flags + " -c " + shlex.quote(batch)})
    with open(os.path.join(out_dir, "compile_commands.json"), "w", encoding="utf-8") as f:
        json.dump(kept, f, indent=1)


def alone(file):
    with open(file, encoding="utf-8") as f:
        return ALONE.search(f.read()) is not None


def strip(command, file):
    """The command without its output and source arguments."""
    words = shlex.split(command)
    out, skip = [], False
    for word in words:
        if skip:
            skip = False
            continue
        if word in ("-o", "-c"):
            skip = True
            continue
        if word == file:
            continue
        out.append(word)
    return shlex.join(out)


if __name__ == "__main__":
    main()
