#!/usr/bin/env python3
"""Reads an exported schedule workbook with openpyxl, an independent reader, and checks it cell by
cell against the CSV lines of the same project: the header texts, every cell a text equal to its
CSV field, the text format "@" on columns 1, 2 and 42 to 45 of the data and end rows and on no
other cell. Prints "OK <rows>" and exits 0, or prints what differs and exits 1.

Usage: check_workbook.py <workbook> <csv>
"""
import sys

import openpyxl

DAYS = ["Понедельник", "Вторник", "Среда", "Четверг", "Пятница", "Суббота", "Воскресенье"]
HEADER = ["Час", "Минута"] + DAYS + [f"Зона {z}" for z in range(1, 33)] + ["Громкость", "Трэк", "Группа", "Сценарий"]
TEXT_COLUMNS = {1, 2, 42, 43, 44, 45}


def main():
    workbook_path, csv_path = sys.argv[1], sys.argv[2]
    with open(csv_path, newline="") as f:
        lines = [line for line in f.read().split("\r\n") if line]
    book = openpyxl.load_workbook(workbook_path)
    sheet = book.active
    faults = []

    def fault(text):
        if len(faults) < 20:
            faults.append(text)

    if len(book.worksheets) != 1:
        fault(f"{len(book.worksheets)} sheets")
    if sheet.max_row != 1 + len(lines) or sheet.max_column != 45:
        fault(f"sheet is {sheet.max_row} x {sheet.max_column}, expected {1 + len(lines)} x 45")
    for c, text in enumerate(HEADER, start=1):
        cell = sheet.cell(1, c)
        if cell.value != text or cell.data_type != "s":
            fault(f"header {c}: {cell.value!r} ({cell.data_type})")
        if cell.number_format != "General":
            fault(f"header {c} has format {cell.number_format!r}")
    for r, line in enumerate(lines, start=2):
        fields = line.split(";")
        for c, field in enumerate(fields, start=1):
            cell = sheet.cell(r, c)
            if cell.value != field or cell.data_type != "s":
                fault(f"cell {r},{c}: {cell.value!r} ({cell.data_type}), expected text {field!r}")
            expected = "@" if c in TEXT_COLUMNS else "General"
            if cell.number_format != expected:
                fault(f"cell {r},{c} has format {cell.number_format!r}, expected {expected!r}")
    if faults:
        print("\n".join(faults))
        sys.exit(1)
    print(f"OK {len(lines)}")


if __name__ == "__main__":
    main()
