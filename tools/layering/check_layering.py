#!/usr/bin/env python3
"""The layering of src/: which folder's code may include which folder's headers.

Every file under src/ is read for its #include lines. An include of
"<folder>/<header>" where <folder> is one of src/'s folders must be one that
the including file's folder may use (LAYERS below); the tests' own support
folders (tests/support, tests/servers, tests/window_driver, suite/com) only
in tests ("*_test.cpp"). The sources of the *_pure targets, and every header
of src/ they include, directly or through other headers, include no header of
the Windows API.

The includes that break these rules today are listed one by one in
known_exceptions.txt; an entry that no longer occurs is itself a failure, so
that the list only shrinks.

  check_layering.py SRC_DIR [--exceptions FILE] [--pure-sources FILE]

--pure-sources names a file of "target<TAB>source path" lines (the build
writes it). Prints each violation as "file:line: what" and exits 1 when
there is one.
"""

import argparse
import os
import re
import sys

# The folders of src/ and the folders each may include from besides itself.
# Lowest first: win32, messages and xmldoc stand alone; ui is the widget
# layer over win32; the product's layers (engine, platform, serverconf,
# mailclient, net) use each other and the low ones, never ui or setup; setup
# is the program and may use everything.
LOW = {"win32", "messages", "xmldoc"}
LAYERS = {
    "win32": set(),
    "messages": set(),
    "xmldoc": set(),
    "ui": {"win32"},
    "serverconf": {"engine", "platform"} | LOW,
    "mailclient": {"serverconf"} | LOW,
    "net": {"mailclient", "serverconf"} | LOW,
    "platform": {"engine", "serverconf"} | LOW,
    "engine": {"platform", "serverconf", "mailclient", "net"} | LOW,
    "setup": {"ui", "engine", "platform", "serverconf", "mailclient", "net"} | LOW,
}

# Include roots of the tests' shared support; only tests include them.
TEST_SUPPORT = {"support", "servers", "window_driver", "com"}

# Headers of the Windows API (and of its C runtime's Windows-only parts).
WINDOWS_HEADERS = {
    "aclapi.h", "commctrl.h", "commdlg.h", "direct.h", "io.h", "iphlpapi.h", "lm.h", "mmsystem.h",
    "ntsecapi.h", "objbase.h", "objidl.h", "odbcinst.h", "ole2.h", "oleauto.h", "olectl.h", "process.h",
    "psapi.h", "schannel.h", "security.h", "shellapi.h", "shlobj.h", "shlwapi.h", "shobjidl.h", "sql.h",
    "sqlext.h", "sspi.h", "tchar.h", "tlhelp32.h", "userenv.h", "ws2tcpip.h",
}

SOURCE_SUFFIXES = (".h", ".cpp", ".c", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def is_windows_header(name):
    name = name.lower()
    return name in WINDOWS_HEADERS or name.startswith("win")


def is_test(path):
    return os.path.basename(path).endswith("_test.cpp")


def includes_of(path):
    """(line number, '<' or '"', name) of each #include line of `path`."""
    found = []
    with open(path, encoding="latin-1") as f:
        for number, text in enumerate(f, 1):
            m = INCLUDE.match(text)
            if m:
                found.append((number, m.group(1), m.group(2)))
    return found


def read_exceptions(path):
    """{(file relative to the root, included name)} from `path`; comments and blank lines skipped."""
    entries = {}
    if path is None:
        return entries
    with open(path, encoding="utf-8") as f:
        for number, text in enumerate(f, 1):
            text = text.split("#", 1)[0].strip()
            if not text:
                continue
            file, sep, header = text.partition(":")
            if not sep or not header.strip():
                raise ValueError(f"{path}:{number}: expected 'file: header', got {text!r}")
            entries[(file.strip(), header.strip())] = number
    return entries


def check_folders(root, src, exceptions, used):
    """Violations of LAYERS and TEST_SUPPORT under `src`, as (file, line, text)."""
    problems = []
    for folder in sorted(os.listdir(src)):
        if not os.path.isdir(os.path.join(src, folder)):
            continue
        if folder not in LAYERS:
            problems.append((os.path.relpath(os.path.join(src, folder), root), 0,
                             f"folder {folder}/ has no rule in {os.path.basename(__file__)} (LAYERS)"))
            continue
        allowed = LAYERS[folder] | {folder}
        for dirpath, _, names in os.walk(os.path.join(src, folder)):
            for name in sorted(names):
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, root)
                for line, kind, header in includes_of(path):
                    if kind != '"' or "/" not in header:
                        continue
                    top = header.split("/", 1)[0]
                    if top in LAYERS:
                        if top in allowed:
                            continue
                        why = f"{folder}/ may not include from {top}/"
                    elif top in TEST_SUPPORT:
                        if is_test(path):
                            continue
                        why = f"only tests include the tests' support ({top}/)"
                    else:
                        continue
                    if (rel, header) in exceptions:
                        used.add((rel, header))
                        continue
                    problems.append((rel, line, f'includes "{header}": {why}'))
    return problems


def resolve(src, including_file, header):
    """The file under `src` a quoted include names, or None."""
    for base in (os.path.dirname(including_file), src):
        candidate = os.path.normpath(os.path.join(base, header))
        if os.path.isfile(candidate):
            return candidate
    return None


def check_pure(root, src, pure_sources, exceptions, used):
    """Windows headers reached from the pure targets' sources, as (file, line, text)."""
    problems = []
    reported = set()
    for target, source in pure_sources:
        # Depth-first through the quoted includes of src/'s own files, with
        # the chain kept for the message.
        stack = [(source, ())]
        seen = set()
        while stack:
            path, chain = stack.pop()
            if path in seen:
                continue
            seen.add(path)
            rel = os.path.relpath(path, root)
            for line, kind, header in includes_of(path):
                if kind == "<":
                    if not is_windows_header(header):
                        continue
                    if (rel, f"<{header}>") in exceptions:
                        used.add((rel, f"<{header}>"))
                        continue
                    if (rel, line) in reported:
                        continue
                    reported.add((rel, line))
                    through = "".join(f" through {c}" for c in reversed(chain))
                    problems.append((rel, line, f"includes <{header}> in pure target {target}{through}"))
                    continue
                found = resolve(src, path, header)
                if found is not None and found.startswith(src + os.sep):
                    stack.append((found, chain + (f"{rel}:{line}",)))
    return problems


def read_pure_sources(path):
    sources = []
    with open(path, encoding="utf-8") as f:
        for text in f:
            text = text.rstrip("\n")
            if text:
                target, _, source = text.partition("\t")
                sources.append((target, os.path.normpath(source)))
    return sources


def run(src, exceptions_file=None, pure_sources_file=None):
    """All problems as "file:line: text" lines, the stale exceptions included."""
    src = os.path.normpath(os.path.abspath(src))
    root = os.path.dirname(src)
    exceptions = read_exceptions(exceptions_file)
    used = set()
    problems = check_folders(root, src, exceptions, used)
    if pure_sources_file is not None:
        problems += check_pure(root, src, read_pure_sources(pure_sources_file), exceptions, used)
    for entry, line in sorted(exceptions.items(), key=lambda e: e[1]):
        if entry not in used:
            problems.append((os.path.relpath(exceptions_file, root) if exceptions_file else "", line,
                             f"known exception {entry[0]}: {entry[1]} no longer occurs: remove it"))
    return [f"{file}:{line}: {text}" for file, line, text in problems]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("src")
    parser.add_argument("--exceptions")
    parser.add_argument("--pure-sources")
    args = parser.parse_args()
    problems = run(args.src, args.exceptions, args.pure_sources)
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} layering problem(s); the rules are in {__file__}")
        return 1
    print("layering: no problem")
    return 0


if __name__ == "__main__":
    sys.exit(main())
