#!/usr/bin/env python3
"""Lists C++ functions that are longer than a screen or nested too deeply.

    scripts/function-sizes.py [--max-lines N] [--max-depth D] [--all] [PATH...]

PATH is a file or a folder (searched for *.cpp and *.h); the default is
src/, cli/ and host/ of the source tree. A function's length counts every
line from its name to its closing brace. Its depth counts the blocks nested
in its body (if, for, while, switch, try, lambda bodies, plain blocks);
braces of initialiser lists do not count. Prints one line per function over
a limit (every function with --all) and exits 1 when any is over.

The reader is a brace-counting heuristic, not a compiler: it removes
comments, string and character literals and preprocessor lines, then reads
a "{" at namespace or class scope after a ")" as a function body.
"""
import argparse
import os
import re
import sys

CONTROL = {"if", "for", "while", "switch", "catch", "do", "else", "try", "return", "sizeof"}
SCOPE_KEYWORDS = ("namespace", "class", "struct", "union", "enum")


def blank(text):
    """Comments, literals and preprocessor lines become blanks; newlines stay."""
    out = []
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if line_start and c in " \t":
            out.append(c)
            i += 1
            continue
        if line_start and c == "#":
            # A directive runs to an end of line without a backslash before it.
            while i < n and text[i] != "\n":
                if text[i] == "\\" and i + 1 < n and text[i + 1] == "\n":
                    out.append(" \n")
                    i += 2
                    continue
                out.append(" ")
                i += 1
            continue
        line_start = False
        if text.startswith("//", i):
            while i < n and text[i] != "\n":
                out.append(" ")
                i += 1
            continue
        if text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append(re.sub(r"[^\n]", " ", text[i:end]))
            i = end
            continue
        raw = re.match(r'(?:u8|u|U|L)?R"([^(\s]*)\(', text[i:i + 40])
        if raw and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            end = text.find(")" + raw.group(1) + '"', i + raw.end())
            end = n if end < 0 else end + len(raw.group(1)) + 2
            out.append('""' + re.sub(r"[^\n]", " ", text[i + 2:end]))
            i = end
            continue
        if c == '"' or (c == "'" and not (i > 0 and text[i - 1].isalnum())):
            # A quote after a digit or letter is a digit separator (1'000).
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            out.append(c + " " * (min(j, n) - i - 1) + (c if j < n else ""))
            i = j + 1
            continue
        if c == "\n":
            line_start = True
        out.append(c)
        i += 1
    return "".join(out)


def header_kind(header):
    """What a "{" at namespace or class scope opens, judged by the text before it."""
    h = " ".join(header.split())
    h = re.sub(r"^template\s*<.*?>\s*", "", h)
    h = re.sub(r"^(\[\[.*?\]\]\s*)+", "", h)
    first = re.match(r"[A-Za-z_]\w*", h)
    if first and first.group(0) in SCOPE_KEYWORDS:
        return "enum" if first.group(0) == "enum" else "scope"
    if re.match(r'extern\s*"\s*"', h):
        return "scope"
    if "(" not in h:
        return "data"
    # An "=" outside parentheses before the brace is an initialiser.
    depth = 0
    for i, ch in enumerate(h):
        if ch == "(":
            depth += 1
        elif ch == ")":
            depth -= 1
        elif ch == "=" and depth == 0 and not re.search(r"operator\s*\S*$", h[:i]) \
                and h[i + 1:i + 2] != "=" and h[i - 1:i] not in "=!<>":
            return "data"
    return "function"


def function_name(header):
    h = " ".join(header.split())
    h = re.sub(r"^template\s*<.*?>\s*", "", h)
    m = re.search(r"((?:[A-Za-z_~][\w]*\s*::\s*)*(?:operator\s*[^\s(]+|operator\s*\(\)|~?[A-Za-z_]\w*))\s*\(", h)
    return re.sub(r"\s+", "", m.group(1)) if m else h[:40]


class Function:
    def __init__(self, path, name, start, end, depth):
        self.path, self.name, self.start, self.end, self.depth = path, name, start, end, depth

    @property
    def lines(self):
        return self.end - self.start + 1


def scan(path, text):
    """Yields the functions of one file."""
    code = blank(text)
    line_of = []
    line = 1
    for ch in code:
        line_of.append(line)
        if ch == "\n":
            line += 1

    functions = []
    n = len(code)
    scopes = ["scope"]           # kinds of the braces that are open
    header_start = 0             # where the text before the next "{" begins
    paren = 0                    # parentheses open in that text
    i = 0
    while i < n:
        c = code[i]
        if c == "(":
            paren += 1
        elif c == ")":
            paren -= 1
        elif c in ";}" and paren == 0:
            if c == "}" and len(scopes) > 1:
                scopes.pop()
            header_start = i + 1
        elif c == "{" and paren > 0:
            i = skip_braces(code, i)   # a lambda or braced value in an argument list
            continue
        elif c == "{":
            header = code[header_start:i]
            kind = header_kind(header)
            if kind == "function" and init_list_brace(header):
                i = skip_braces(code, i)   # member{value} of a constructor's initialiser list
                continue
            if kind == "function":
                lead = re.match(r"(\s|(public|private|protected)\s*:(?!:))*", header).end()
                start = header_start + lead
                end, depth = read_body(code, i)
                functions.append(Function(path, function_name(header), line_of[start],
                                          line_of[min(end, n - 1)], depth))
                i = end + 1
                header_start = i
                continue
            if kind in ("data", "enum"):
                i = skip_braces(code, i)
                continue
            scopes.append(kind)
            header_start = i + 1
        i += 1
    return functions


def init_list_brace(header):
    """True when the "{" after this header belongs to a constructor's initialiser list."""
    h = header.rstrip()
    if not h or not (h[-1].isalnum() or h[-1] in "_>"):
        return False
    depth, closed = 0, False
    for i, ch in enumerate(h):
        if ch == "(":
            depth += 1
        elif ch == ")":
            depth -= 1
            closed = closed or depth == 0
        elif ch == ":" and depth == 0 and closed and h[i + 1:i + 2] != ":" and h[i - 1:i] != ":":
            return True
    return False


def skip_braces(code, i):
    """The index after the brace that closes the one at i."""
    depth = 0
    n = len(code)
    while i < n:
        if code[i] == "{":
            depth += 1
        elif code[i] == "}":
            depth -= 1
            if depth == 0:
                return i + 1
        i += 1
    return n


def read_body(code, i):
    """The closing brace of the body that opens at i, and its deepest block nesting."""
    stack = []                   # True for a block, False for a braced value
    deepest = 0
    n = len(code)
    while i < n:
        c = code[i]
        if c == "{":
            block = not stack or (stack[-1] and opens_block(code, i))
            stack.append(block)
            deepest = max(deepest, sum(stack) - 1)
        elif c == "}":
            stack.pop()
            if not stack:
                return i, deepest
        i += 1
    return n - 1, deepest


def opens_block(code, i):
    before = code[max(0, i - 60):i].rstrip()
    if not before:
        return True
    last = before[-1]
    if last in ");{}]:":
        return True
    word = re.search(r"[A-Za-z_]\w*$", before)
    return bool(word) and word.group(0) in ("else", "do", "try", "mutable", "noexcept", "const", "override")


def source_files(paths):
    for p in paths:
        if os.path.isfile(p):
            yield p
            continue
        for root, dirs, files in os.walk(p):
            dirs.sort()
            for f in sorted(files):
                if f.endswith((".cpp", ".h")):
                    yield os.path.join(root, f)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    top = os.path.dirname(here)
    parser = argparse.ArgumentParser(description="List long or deeply nested C++ functions.")
    parser.add_argument("--max-lines", type=int, default=80)
    parser.add_argument("--max-depth", type=int, default=4)
    parser.add_argument("--all", action="store_true", help="list every function")
    parser.add_argument("paths", nargs="*")
    args = parser.parse_args()
    paths = args.paths or [os.path.join(top, d) for d in ("src", "cli", "host")]

    over = 0
    for path in source_files(paths):
        with open(path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        shown = os.path.relpath(path, top) if path.startswith(top) else path
        for fn in scan(shown, text):
            long_, deep = fn.lines > args.max_lines, fn.depth > args.max_depth
            if long_ or deep:
                over += 1
            if long_ or deep or args.all:
                notes = ", ".join(x for x, on in (("long", long_), ("deep", deep)) if on)
                print(f"{fn.path}:{fn.start}: {fn.name}: {fn.lines} lines, depth {fn.depth}"
                      + (f" ({notes})" if notes else ""))
    print(f"{over} function(s) over {args.max_lines} lines or {args.max_depth} levels", file=sys.stderr)
    return 1 if over else 0


if __name__ == "__main__":
    sys.exit(main())
