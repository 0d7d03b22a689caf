#!/usr/bin/env python3
"""Veils texts for storage in the program.

usage: scripts/veil.py TEXT                  prints the C++ literal of TEXT (or of standard input)
       scripts/veil.py --header INPUT OUTPUT writes a C++ header with every text of INPUT veiled

INPUT is a plain list of texts. Lines that start with "#" in the first column are
comments. An entry starts with "@pattern NAME" or "@text NAME"; its body is the
following lines that are indented or empty:
  @pattern  the body lines, stripped of surrounding blanks, are joined with nothing
            between them, so a long regular expression can be spread over lines
            (write a blank at the edge of a line as \\x20);
  @text     the body lines lose their two-space indentation and are joined with
            line breaks; empty lines at the end are dropped.
The header declares, in namespace VeiledTexts, one function NAME() per entry that
returns the veiled bytes; Veiled::unveil turns them back into the text.
"""
import re
import sys

KEY = b"amber-tide-salt-41xq7"


def veil(text: str) -> bytes:
    data = text.encode("utf-8")
    return bytes(b ^ KEY[i % len(KEY)] for i, b in enumerate(data))


def literal(text: str, indent: str = "    ") -> str:
    body = "".join(f"\\x{b:02x}" for b in veil(text))
    # Split the literal so that lines stay short.
    pieces = [body[i:i + 96] for i in range(0, len(body), 96)] or [""]
    return ("\"" + f"\"\n{indent}\"".join(pieces) + "\"", len(text.encode("utf-8")))


def parse(source: str):
    entries = []
    current = None
    for number, line in enumerate(source.splitlines(), start=1):
        if line.startswith("#"):
            continue
        if line.startswith("@"):
            match = re.fullmatch(r"@(pattern|text)\s+([A-Za-z_][A-Za-z0-9_]*)\s*", line)
            if not match:
                raise SystemExit(f"line {number}: expected '@pattern NAME' or '@text NAME'")
            if any(name == match.group(2) for _, name, _ in entries):
                raise SystemExit(f"line {number}: '{match.group(2)}' is defined twice")
            current = [match.group(1), match.group(2), []]
            entries.append(current)
            continue
        if not line.strip():
            if current is not None:
                current[2].append("")
            continue
        if current is None or not line[0].isspace():
            raise SystemExit(f"line {number}: text outside an entry (body lines are indented)")
        current[2].append(line)
    result = []
    for kind, name, lines in entries:
        if kind == "pattern":
            text = "".join(line.strip() for line in lines)
        else:
            while lines and not lines[-1]:
                lines.pop()
            text = "\n".join(line[2:] if line.startswith("  ") else line.strip() for line in lines)
        result.append((name, text))
    return result


def header(entries, source_name: str) -> str:
    out = [f"// Generated from {source_name} by scripts/veil.py; do not edit.",
           "#pragma once", "", "#include <QByteArray>", "", "namespace VeiledTexts {", ""]
    for name, text in entries:
        body, size = literal(text)
        out.append(f"inline QByteArray {name}() {{\n    return QByteArray::fromRawData({body}, {size});\n}}")
    out += ["", "} // namespace VeiledTexts", ""]
    return "\n".join(out)


def main() -> None:
    if len(sys.argv) == 4 and sys.argv[1] == "--header":
        with open(sys.argv[2], encoding="utf-8") as source:
            entries = parse(source.read())
        text = header(entries, sys.argv[2].split("/src/")[-1])
        try:
            with open(sys.argv[3], encoding="utf-8") as existing:
                if existing.read() == text:
                    return
        except OSError:
            pass
        with open(sys.argv[3], "w", encoding="utf-8") as out:
            out.write(text)
        return
    text = sys.argv[1] if len(sys.argv) > 1 else sys.stdin.read()
    body, size = literal(text)
    print(f"QByteArray({body}, {size})")


if __name__ == "__main__":
    main()
