#!/usr/bin/env python3
"""Prints the veiled form of a text as a C++ byte-array literal.

usage: scripts/veil.py TEXT        (or the text on standard input)
"""
import sys

KEY = b"amber-tide-salt-41xq7"


def veil(text: str) -> bytes:
    data = text.encode("utf-8")
    return bytes(b ^ KEY[i % len(KEY)] for i, b in enumerate(data))


def main() -> None:
    text = sys.argv[1] if len(sys.argv) > 1 else sys.stdin.read()
    body = "".join(f"\\x{b:02x}" for b in veil(text))
    # Split the literal so that lines stay short.
    pieces = [body[i:i + 96] for i in range(0, len(body), 96)] or [""]
    print("QByteArray(" + "\n    \"".join(["\"" + pieces[0] + "\""] + [p + "\"" for p in pieces[1:]])
          + f", {len(text.encode('utf-8'))})")


if __name__ == "__main__":
    main()
