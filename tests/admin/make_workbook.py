# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the test workbooks: make_workbook.py <case> <path>; .xls through xlwt, .xlsx through
# openpyxl, chosen by the path's ending. Run with the system's /usr/bin/python3.
import datetime
import re
import sys
import zipfile

CASES = {
    # Chinese text, a phone number stored as a number, a fraction, a date, empty cells, and a
    # blank row that must add no contact.
    "people": (
        "Sheet1",
        [
            ["姓名", "手机", "身高", "生日", "备注"],
            ["王小二", 13800138000, 1.75, datetime.date(1990, 5, 1), "第一行\n第二行"],
            ["李四", None, None, None, None],
            [None, None, None, None, None],
            ["张三", "010-1234", 0.1, datetime.date(2001, 12, 31), None],
        ],
    ),
    "header": ("Sheet1", [["姓名", "手机"]]),
    "othersheet": ("联系人", [["姓名"], ["王五"]]),
    "thousand": ("Sheet1", [["姓名"]] + [["row%d" % i] for i in range(1, 1001)]),
    # Cells longer than one record holds, continued over several.
    "longtext": ("Sheet1", [["姓名", "备注"], ["甲", "汉" * 9000], ["乙", "字" * 20000]]),
}

# .xlsx cases whose sheet XML is changed after openpyxl wrote it, as other writers write it.
SHEET_CHANGES = {
    # A raw control byte, which XML cannot carry.
    "controlbytes": ("people", lambda xml: xml.replace(b"<sheetData>", b"<sheetData>\x01", 1)),
    # Entities that expand a billion times.
    "entitybomb": (
        "people",
        lambda xml: b'<!DOCTYPE worksheet [<!ENTITY a0 "lol">'
        + b"".join(b'<!ENTITY a%d "%s">' % (i, b"&a%d;" % (i - 1) * 10) for i in range(1, 10))
        + b"]>" + xml.replace(b"<sheetData>", b"<sheetData><row r=\"9\"><c r=\"A9\" t=\"inlineStr\"><is><t>&a9;</t></is></c></row>", 1),
    ),
    # Cell references in lower case (r="a1").
    "lowercase": (
        "people",
        lambda xml: re.sub(rb'<c r="([A-Z]+)([0-9]+)"', lambda m: b'<c r="' + m.group(1).lower()
                           + m.group(2) + b'"', xml),
    ),
}


def write_xls(path, sheet, rows):
    import xlwt

    book = xlwt.Workbook(encoding="utf-8")
    page = book.add_sheet(sheet)
    date_style = xlwt.easyxf(num_format_str="YYYY-MM-DD")
    for r, row in enumerate(rows):
        for c, value in enumerate(row):
            if isinstance(value, datetime.date):
                page.write(r, c, value, date_style)
            elif value is not None:
                page.write(r, c, value)
    book.save(path)


def write_xlsx(path, sheet, rows):
    import openpyxl

    book = openpyxl.Workbook()
    page = book.active
    page.title = sheet
    for r, row in enumerate(rows, start=1):
        for c, value in enumerate(row, start=1):
            if value is not None:
                cell = page.cell(row=r, column=c, value=value)
                if isinstance(value, datetime.date):
                    cell.number_format = "yyyy/m/d"
    book.save(path)


def change_sheet(path, change):
    with zipfile.ZipFile(path) as package:
        parts = [(info, package.read(info.filename)) for info in package.infolist()]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as package:
        for info, data in parts:
            if info.filename == "xl/worksheets/sheet1.xml":
                data = change(data)
            package.writestr(info, data)


def main():
    case, path = sys.argv[1], sys.argv[2]
    if case in SHEET_CHANGES:
        base, change = SHEET_CHANGES[case]
        write_xlsx(path, *CASES[base])
        change_sheet(path, change)
        return
    sheet, rows = CASES[case]
    if path.endswith(".xlsx"):
        write_xlsx(path, sheet, rows)
    else:
        write_xls(path, sheet, rows)


main()
