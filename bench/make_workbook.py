# SPDX-License-Identifier: GPL-3.0-or-later
# make_workbook.py <rows> <path>: a contact sheet "Sheet1" of twelve columns as people keep one,
# phone and QQ numbers stored as numbers and birthdays as dates; .xls through xlwt, .xlsx
# through openpyxl. Run with the system's /usr/bin/python3.
import datetime
import sys

HEADER = ["姓名", "性别", "手机", "电话", "单位", "部门", "职务", "地址", "邮箱", "QQ", "生日", "备注"]


def row(i):
    return [
        "王%d伟" % i,
        "男" if i % 2 else "女",
        13800000000 + i,
        "010-%08d" % i,
        "深圳市科技有限公司%d" % (i % 300),
        "销售部",
        "经理",
        "广东省深圳市南山区科技园%d号" % i,
        "user%d@example.com" % i,
        10000 + i,
        datetime.date(1960 + i % 40, i % 12 + 1, i % 28 + 1),
        "备注%d" % i if i % 3 == 0 else None,
    ]


def main():
    rows, path = int(sys.argv[1]), sys.argv[2]
    if path.endswith(".xlsx"):
        import openpyxl
        from openpyxl.cell import WriteOnlyCell

        book = openpyxl.Workbook(write_only=True)
        page = book.create_sheet("Sheet1")
        page.append(HEADER)
        for i in range(rows):
            values = row(i)
            birthday = WriteOnlyCell(page, value=values[10])
            birthday.number_format = "yyyy-mm-dd"
            values[10] = birthday
            page.append(values)
        book.save(path)
    else:
        import xlwt

        book = xlwt.Workbook(encoding="utf-8")
        page = book.add_sheet("Sheet1")
        date_style = xlwt.easyxf(num_format_str="YYYY-MM-DD")
        for c, name in enumerate(HEADER):
            page.write(0, c, name)
        for i in range(rows):
            for c, value in enumerate(row(i)):
                if c == 10:
                    page.write(i + 1, c, value, date_style)
                elif value is not None:
                    page.write(i + 1, c, value)
        book.save(path)


main()
