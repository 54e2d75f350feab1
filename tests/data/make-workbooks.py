#!/usr/bin/env python3
"""Writes the openpyxl-made workbooks of tests/data (run by make-workbooks.sh).

openpyxl writes texts as inline strings, whole numbers as integers and other numbers as floats,
the way a script of an operator would fill a schedule sheet.
"""
import datetime
import os
import sys

import openpyxl

DAYS = ["Понедельник", "Вторник", "Среда", "Четверг", "Пятница", "Суббота", "Воскресенье"]
HEADER = ["Час", "Минута"] + DAYS + [f"Зона {z}" for z in range(1, 33)] + ["Громкость", "Трэк", "Группа", "Сценарий"]
TEXT_COLUMNS = {1, 2, 42, 43, 44, 45}


def schedule_rows():
    """The rows below the header; the tests know what each one imports as."""
    # As the program writes a row: every cell a text, two-digit texts in the text columns.
    exported = ["08", "05", "1", "0", "0", "0", "1", "0", "0"] + ["1", "0", "1"] + ["0"] * 29 + ["07", "12", "02", "03"]
    # Numbers typed by hand: integer cells throughout.
    typed = [9, 30, 0, 1, 0, 0, 0, 0, 0] + [0, 1] + [0] * 30 + [10, 120, 2, 4]
    # Floats: 8.5 is no whole number and reads 0; 15.0 is stored as the number 15.
    floats = [8.5, 15.0, 1.0, 1.0, 1.0, 1.0, 1.0, 0.0, 0.0] + [0.0] * 32 + [5.0, 3.0, 3.0, 1.0]
    # An empty zone 5 cell ends the row: volume, track, group and slot stay 0.
    gap = [7, 0, 1, 1, 1, 1, 1, 1, 1] + [1, 1, 1, 1, None] + [0] * 27 + [9, 9, 4, 1]
    # Blanks round a number, an explicit sign, and a text that is no integer.
    odd = [" 11 ", "+6", "1", "0", "0", "0", "0", "0", "1e3"] + ["0"] * 32 + ["-1", "04", "04", "02"]
    end = ["90", "00"] + ["0"] * 39 + ["00", "00", "00", "00"]
    return [exported, typed, floats, gap, odd, end]


def write_schedule(path):
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Расписание"
    sheet.append(HEADER)
    for row in schedule_rows():
        sheet.append(row)
        r = sheet.max_row
        for c in TEXT_COLUMNS:
            if isinstance(row[c - 1], str):
                sheet.cell(r, c).number_format = "@"
    book.save(path)


def write_features(path):
    """One row of typed cells, to see what each kind of cell reads as."""
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Cells"
    sheet.append([1, "08", 8.5, 1234567890123, 1e20, 0.1 + 0.2, True, False, -3, "  text  ", None, "after gap"])
    sheet["M1"] = datetime.datetime(2024, 1, 15, 12, 0)
    sheet["M1"].number_format = "yyyy-mm-dd hh:mm"
    sheet["N1"] = datetime.date(1900, 2, 28)
    sheet["O1"] = 2.5e-7
    book.save(path)


def write_iso_dates(path):
    """openpyxl can write dates as ISO texts (t="d") instead of serial numbers."""
    book = openpyxl.Workbook(iso_dates=True)
    sheet = book.active
    sheet["A1"] = datetime.datetime(2024, 1, 15, 12, 0)
    sheet["B1"] = datetime.date(1900, 2, 28)
    book.save(path)


def write_second_active(path):
    """The schedule on the second of two sheets, which is the active one."""
    book = openpyxl.Workbook()
    notes = book.active
    notes.title = "Notes"
    notes.append(["not", "the", "schedule"])
    sheet = book.create_sheet("Schedule")
    sheet.append(HEADER[:16])  # 16 columns: device type 2, four zones
    sheet.append([6, 45, 1, 1, 1, 1, 1, 0, 0, 1, 1, 0, 1, 20, 7, 5])
    book.active = 1
    for ws in book.worksheets:
        ws.sheet_view.tabSelected = ws.title == "Schedule"
    book.save(path)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write_schedule(os.path.join(out, "openpyxl-schedule.xlsx"))
    write_features(os.path.join(out, "openpyxl-features.xlsx"))
    write_iso_dates(os.path.join(out, "openpyxl-isodates.xlsx"))
    write_second_active(os.path.join(out, "openpyxl-second-active.xlsx"))


if __name__ == "__main__":
    main()
