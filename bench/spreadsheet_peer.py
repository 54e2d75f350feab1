#!/usr/bin/env python3
"""The peer of bench_spreadsheet: python3-openpyxl doing the same work, timed in the same run.

Export: a workbook of the header and 1024 rows of 45 text cells, the text format "@" on six
columns of each row, saved to a file. Import: load a workbook of the header and 98 rows, count
the header cells and read every row's cells as integers, as the program's import does.

Usage: spreadsheet_peer.py <bench_spreadsheet JSON output>
Prints both figures for each task and how many times faster the program is.
"""
import json
import os
import statistics
import sys
import tempfile
import time

import openpyxl

DAYS = ["Понедельник", "Вторник", "Среда", "Четверг", "Пятница", "Суббота", "Воскресенье"]
HEADER = ["Час", "Минута"] + DAYS + [f"Зона {z}" for z in range(1, 33)] + ["Громкость", "Трэк", "Группа", "Сценарий"]
TEXT_COLUMNS = (1, 2, 42, 43, 44, 45)


def two(n):
    return f"{n:02d}"


def rows(count):
    """The same rows as the program's bench project: scenario k in group k // 32 + 1."""
    out = []
    for k in range(count):
        g, s = k // 32 + 1, k % 32 + 1
        days = ["1" if d == k % 7 else "0" for d in range(7)]
        zones = ["1" if z in (g, 33 - g) else "0" for z in range(1, 33)]
        out.append([two(k % 24), two(k * 7 % 60)] + days + zones + [two(10 + k % 20), two(k + 1), two(g), two(s)])
    out.append(["90", "00"] + ["0"] * 39 + ["00"] * 4)
    return out


def export(path, data):
    book = openpyxl.Workbook()
    sheet = book.active
    for c, text in enumerate(HEADER, start=1):
        sheet.cell(1, c, text)
    for r, row in enumerate(data, start=2):
        for c, text in enumerate(row, start=1):
            cell = sheet.cell(r, c, text)
            if c in TEXT_COLUMNS:
                cell.number_format = "@"
    book.save(path)


def whole_integer(text):
    t = text.strip()
    body = t[1:] if t[:1] in "+-" else t
    if not body.isdigit():
        return 0
    value = int(t)
    return value if -2**31 <= value < 2**31 else 0


def import_(path):
    sheet = openpyxl.load_workbook(path, read_only=True).active
    grid = [["" if v is None else str(v) for v in row]
            for row in sheet.iter_rows(min_row=1, max_row=99, max_col=99, values_only=True)]
    header = 0
    while header < len(grid[0]) and grid[0][header].strip():
        header += 1
    values = []
    for row in grid[1:]:
        if not row or not row[0].strip():
            break
        cells = []
        for text in row[:header]:
            if not text.strip():
                break
            cells.append(whole_integer(text))
        values.append(cells)
    return header, values


def timed(task, repeats):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        task()
        times.append((time.perf_counter() - start) * 1000)
    return statistics.median(times)


def main():
    with open(sys.argv[1]) as f:
        ours = {b["name"]: b["real_time"] for b in json.load(f)["benchmarks"] if b.get("time_unit") == "ms"}
    with tempfile.TemporaryDirectory() as folder:
        largest = os.path.join(folder, "largest.xlsx")
        rows98 = os.path.join(folder, "rows98.xlsx")
        data = rows(1024)
        export_ms = timed(lambda: export(largest, data), 5)
        export(rows98, rows(97))
        header, values = import_(rows98)
        assert header == 45 and len(values) == 98, (header, len(values))
        import_ms = timed(lambda: import_(rows98), 20)
    for task, name, peer in (("export 1024 rows", "ExportLargest", export_ms),
                             ("import 98 rows", "Import98Rows", import_ms)):
        mine = ours[name]
        print(f"{task}: sigcfg {mine:.3f} ms, python3-openpyxl {peer:.3f} ms, {peer / mine:.1f}x faster")


if __name__ == "__main__":
    main()
