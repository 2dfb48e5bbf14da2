#!/usr/bin/env python3
"""The corpus as Python reads it: each line's text shown must be what
Python's own decoders make of the bytes sent by the roads' rule (a mark:
UTF-8 with a replacement for each invalid part; valid UTF-8; else code page
1252, whose five undefined bytes Windows maps to the C1 controls), valid
UTF-8 without a control character, and the issue's cases all there.

  text_corpus_check.py PROGRAM   PROGRAM: ploxen_text_corpus
"""
import subprocess
import sys

MARK = b"\xef\xbb\xbf"
UNDEFINED_1252 = {0x81, 0x8D, 0x8F, 0x90, 0x9D}


def cp1252(data):
    return "".join(chr(b) if b in UNDEFINED_1252 else bytes([b]).decode("cp1252") for b in data)


def read_eight_bit(data):
    if all(b < 0x80 for b in data):
        return "ascii", data.decode("ascii")
    if data.startswith(MARK):
        return "marked-utf8", data[len(MARK):].decode("utf-8", errors="replace")
    try:
        return "utf8", data.decode("utf-8")
    except UnicodeDecodeError:
        return "cp1252", cp1252(data)


def main():
    output = subprocess.run([sys.argv[1]], check=True, stdout=subprocess.PIPE).stdout
    failures = []
    names = []
    for row in output.decode("utf-8").splitlines():
        name, reading, sent, shown = row.split("\t")
        names.append(name)
        expected = read_eight_bit(bytes.fromhex(sent))
        if expected != (reading, shown):
            failures.append(f"{name}: Python reads {expected!r}, the corpus says {(reading, shown)!r}")
        if any(ord(c) < 0x20 or 0x7F <= ord(c) < 0xA0 for c in shown):
            failures.append(f"{name}: a control character in {shown!r}")
        if name == "Long499" and (len(shown) != 499 or len(shown[-1].encode("utf-8")) != 4):
            failures.append(f"{name}: {len(shown)} characters")
    wanted = ["German", "French", "Polish", "Czech", "Turkish", "Greek", "Russian", "Ukrainian", "Chinese",
              "Japanese", "Korean", "Arabic", "Hebrew", "Devanagari", "Emoji", "Long499", "LoneContinuation",
              "Overlong", "CutAtEnd", "LooksLikeUtf8"]
    failures += [f"{name}: missing" for name in wanted if name not in names]
    if len(set(names)) != len(names):
        failures.append("a name twice")
    for failure in failures:
        print(failure)
    print(f"{len(names)} lines, {len(failures)} failures")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
