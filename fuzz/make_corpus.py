#!/usr/bin/env python3
"""Writes the fuzz seeds into fuzz/corpus/ and the hand-made cases into tests/data/fuzz-regressions/.

Seeds are small scripts that reach each part of the reader: the worked example, the cases of the script
file tests (every kind of row, counts that lie, odd line ends) and the date and time forms the reader
accepts. Run it again after changing it; libFuzzer grows its own copy of the corpus, never this one.
"""
import pathlib
import struct

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT / "fuzz" / "corpus"
REGRESSIONS = ROOT / "tests" / "data" / "fuzz-regressions"
WORKED = (ROOT / "tests" / "data" / "worked-example.Vantrell").read_bytes()


def text(s):
    return s.encode("utf-16-le")


def line(s):
    return text(s + "\r\n")


def header(count, repeat=1, minimize=0, autorun=0, key=0, mods=0):
    return struct.pack("<iiHHii", minimize, autorun, key, mods, repeat, count)


def row(delay, kind, x, y, comment):
    return struct.pack("<Iiii", delay, kind, x, y) + line(comment)


def script(rows, date="12/5/2026", time="2:05:09 PM", count=None, **fields):
    count = len(rows) if count is None else count
    return header(count, **fields) + line(date) + line(time) + b"".join(rows)


SEEDS = {
    "worked-example": WORKED,
    "empty-script": script([], date="", time="Invalid DateTime"),
    "every-kind": script(
        [
            row(4294967295, 0, -120, -5, ""),
            row(0, 9, 0, 0, "Κλικ"),
            row(1, 5, -(2**31), 2**31 - 1, "点击"),
            row(200, 1, 1920, 1080, "\U0001f5b1 mouse"),
            row(7, -1, 5, 6, "tab\there"),
            row(9, 2, 3, 4, "x"),
            row(10, 3, 5, 6, "y"),
            row(11, 4, 7, 8, "z"),
        ],
        minimize=1, autorun=1, key=0xFFFF, mods=0x0F, repeat=-7, date="2/28/2030", time="12:00:01 AM"),
    "count-fewer-than-rows": script([row(i, 0, i, i, "row %d" % i) for i in range(3)], count=1),
    "count-negative": script([row(1, 0, 0, 0, "a"), row(2, 0, 0, 0, "b")], count=-1),
    "count-huge": script([row(1, 0, 0, 0, "")] * 3, count=2**31 - 1, date="", time=""),
    "line-ends": header(3) + line("") + line("")
    + row(1, 0, 0, 0, "")[:-4] + text("a\n")
    + row(2, 0, 0, 0, "")[:-4] + text("b\rX")
    + row(3, 0, 0, 0, "")[:-4] + text("c\r"),
    "iso-date-time": script([row(5, 2, 10, 20, "iso")], date="2026-12-05", time="14:05:09.250"),
    "two-digit-year": script([row(5, 3, 10, 20, "")], date="12/5/45", time="9:41 AM"),
    "long-date-form": script([], date="Saturday, December 5, 2026", time="23:59:59"),
    "edge-of-range": script([row(0, 0, 0, 0, "")], date="1/1/0100", time="12:00:00 PM"),
    "cut-in-row": WORKED[: 0x42 + 9],
}

# Opened by the regression suite: the worked example cut short where the reader must decide something.
ROWLESS = WORKED[:16] + struct.pack("<i", 0) + WORKED[20:0x42]
REGRESSION_CASES = {
    "cut-in-header": WORKED[:13],  # inside the repeat count: fails
    "cut-after-header": WORKED[:20],  # no date line, and the announced row is missing: fails
    "rowless-cut-after-header": ROWLESS[:20],  # loads, both dates invalid
    "rowless-cut-in-date-unit": ROWLESS[: 20 + 7],  # half a code unit in the date: loads, the byte is dropped
    "cut-in-row-integers": WORKED[: 0x42 + 12],  # inside the row's y: fails
    "cut-in-comment": WORKED[: 0x42 + 16 + 2],  # the comment "O" with no line end: loads
    "cut-after-cr": WORKED[:-2],  # a CR with nothing after it ends the line: loads
}


def write(folder, cases):
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in cases.items():
        assert len(data) <= 512, name
        (folder / (name + ".Vantrell")).write_bytes(data)


write(CORPUS, SEEDS)
write(REGRESSIONS, REGRESSION_CASES)
