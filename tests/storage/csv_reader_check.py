"""Reads the export back with Python's CSV reader in the excel dialect, as a
spreadsheet reads it, and compares each row's strings with those written.

    csv_reader_check.py <csv_reader_cases program> <work folder>
"""
import csv
import os
import subprocess
import sys


def main():
    program, folder = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    exported = os.path.join(folder, "export.csv")
    expected_path = os.path.join(folder, "expected.txt")
    subprocess.run([program, exported, expected_path], check=True)

    with open(expected_path, encoding="ascii") as f:
        expected = [[bytes.fromhex(h).decode("cp1252") for h in line.rstrip("\n").split(" ")] for line in f]
    # newline="" hands the reader the line breaks inside fields untouched.
    with open(exported, newline="", encoding="cp1252") as f:
        reader = csv.reader(f, dialect="excel", strict=True)
        try:
            read = list(reader)
        except csv.Error as e:
            print(f"the reader refused the export at line {reader.line_num}: {e}")
            return 1

    failed = 0
    for i in range(max(len(expected), len(read))):
        want = expected[i] if i < len(expected) else None
        got = read[i] if i < len(read) else None
        if want != got:
            failed += 1
            print(f"row {i}: written {want!r}, read back {got!r}")
    print(f"rows: {max(len(expected), len(read)) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
