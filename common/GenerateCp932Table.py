#!/usr/bin/env python3
"""Writes the code page 932 to Unicode table that Cp932Unicode.cpp includes, from Python's cp932
codec (the Windows mapping, with the NEC and IBM extensions and the user-defined area), so that the
host and orvex.exe convert alike without the system's conversion tables.
usage: GenerateCp932Table.py OUTPUT"""
import sys

LEADS = list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))
TRAILS = range(0x40, 0xFD)


def code_point(lead, trail):
    try:
        text = bytes([lead, trail]).decode("cp932")
    except UnicodeDecodeError:
        return 0
    return ord(text) if len(text) == 1 and ord(text) <= 0xFFFF else 0


def main():
    rows = []
    for lead in LEADS:
        values = [code_point(lead, trail) for trail in TRAILS]
        rows.append("  {" + ",".join("0x%04X" % v for v in values) + "},  // %02X" % lead)
    text = (
        "// Written by GenerateCp932Table.py; do not edit. Row: lead byte 0x81-0x9F, 0xE0-0xFC;\n"
        "// column: trail byte - 0x40; 0 where the pair is no character.\n"
        "constexpr uint16_t kCp932Pairs[%d][%d] = {\n%s\n};\n" % (len(LEADS), len(TRAILS), "\n".join(rows))
    )
    with open(sys.argv[1], "w", encoding="ascii", newline="\n") as out:
        out.write(text)


if __name__ == "__main__":
    main()
