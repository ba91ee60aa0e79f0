#!/usr/bin/python3
"""Independent reader and writer of FoxPro tables for the engine's tests.

  python_dbf_check.py read TABLE.DBF    prints one JSON object per row
  python_dbf_check.py write TABLE.DBF   writes a small table with memos
"""
import json
import sys

import dbf


def read(path):
    table = dbf.Table(path)
    table.open(dbf.READ_ONLY)
    for record in table:
        row = {"_deleted": dbf.is_deleted(record)}
        for name in table.field_names:
            value = record[name]
            if isinstance(value, str):
                value = value.rstrip()
            elif value is not None and not isinstance(value, (bool, int, float)):
                value = str(value)
            row[name.upper()] = value
        print(json.dumps(row, sort_keys=True))
    table.close()


def write(path):
    table = dbf.Table(path, "NAME C(20); SENT L; DATESENT D; PAGES N(2,0); DOC M", dbf_type="fp")
    table.open(dbf.READ_WRITE)
    table.append(("Alpha", True, dbf.Date(2026, 12, 8), 3, "{\\rtf1 first}"))
    table.append(("Bravo", False, None, 0, ""))
    table.append(("Charlie", True, dbf.Date(2025, 1, 31), 12, "x" * 3000))
    dbf.delete(table[1])
    table.close()


if __name__ == "__main__":
    {"read": read, "write": write}[sys.argv[1]](sys.argv[2])
