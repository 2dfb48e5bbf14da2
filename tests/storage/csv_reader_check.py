"""Reads the exports back with Python's CSV reader in the excel dialect, as a
spreadsheet reads them, and compares each row's strings with those written:
rows that fit code page 1252 as cp1252 without a byte-order mark, the
others as utf-8-sig, which a spreadsheet knows by its mark.

    csv_reader_check.py <csv_reader_cases program> <work folder>
"""
import codecs
import csv
import os
import subprocess
import sys


def check(folder, name, encoding):
    with open(os.path.join(folder, name + ".txt"), encoding="ascii") as f:
        expected = [[bytes.fromhex(h).decode("utf-8") for h in line.rstrip("\n").split(" ")] for line in f]
    path = os.path.join(folder, name + ".csv")
    with open(path, "rb") as f:
        marked = f.read(3) == codecs.BOM_UTF8
    if marked != (encoding == "utf-8-sig"):
        print(f"{name}: byte-order mark {'present' if marked else 'missing'}, read as {encoding}")
        return 1
    # newline="" hands the reader the line breaks inside fields untouched.
    with open(path, newline="", encoding=encoding) as f:
        reader = csv.reader(f, dialect="excel", strict=True)
        try:
            read = list(reader)
        except (csv.Error, UnicodeDecodeError) as e:
            print(f"{name}: the reader refused the export at line {reader.line_num}: {e}")
            return 1

    failed = 0
    for i in range(max(len(expected), len(read))):
        want = expected[i] if i < len(expected) else None
        got = read[i] if i < len(read) else None
        if want != got:
            failed += 1
            print(f"{name}, row {i}: written {want!r}, read back {got!r}")
    print(f"{name}: {max(len(expected), len(read)) - failed} rows passed, {failed} failed")
    return 1 if failed else 0


def main():
    program, folder = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    subprocess.run([program, folder], check=True)
    return check(folder, "cp1252", "cp1252") | check(folder, "utf8", "utf-8-sig")


if __name__ == "__main__":
    sys.exit(main())
