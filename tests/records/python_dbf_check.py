#!/usr/bin/python3
"""Independent reader and writer of FoxPro tables for the engine's tests.

  python_dbf_check.py read TABLE.DBF    prints one JSON object per row
  python_dbf_check.py write TABLE.DBF   writes a small table with memos
  python_dbf_check.py facts TABLE.DBF   the header, the fields and every row
                                        as two independent readers (python3-dbf
                                        and python3-dbfread) see them, one line
                                        each, after checking that they agree
                                        and that the files' framing is sound
"""
import datetime
import json
import os
import struct
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
    table = dbf.Table(path, "NAME C(20); SENT L; DATESENT D; PAGES N(2,0); DOC M", dbf_type="fp",
                      codepage="cp1252")
    table.open(dbf.READ_WRITE)
    table.append(("Alpha", True, dbf.Date(2026, 12, 8), 3, "{\\rtf1 first}"))
    table.append(("Bravo", False, None, 0, ""))
    table.append(("Charlie M\u00fcller", True, dbf.Date(2025, 1, 31), 12, "x" * 3000))
    dbf.delete(table[1])
    table.close()


def canonical(value, field_type, decimals):
    """One text for a value, whichever reader decoded it."""
    if value is None:
        return ""
    if field_type in "NF":
        return "%.*f" % (decimals, value)
    if field_type == "L":
        return "T" if value else "F"
    if field_type == "D":
        return value.strftime("%Y%m%d")
    if isinstance(value, bytes):
        value = value.decode("latin-1")
    return value.rstrip(" ") if field_type == "C" else value


def rows_by_python_dbf(path):
    table = dbf.Table(path)
    table.open(dbf.READ_ONLY)
    types = {}
    for name in table.field_names:
        info = table.field_info(name)
        types[name.upper()] = (chr(info.field_type), info.decimal)
    out = []
    for recno, record in enumerate(table, start=1):
        cells = []
        for name in table.field_names:
            t, d = types[name.upper()]
            cells.append("%s=%s" % (name.upper(), canonical(record[name], t, d)))
        out.append("%d %s %s" % (recno, "*" if dbf.is_deleted(record) else " ", "|".join(cells)))
    table.close()
    return out


def rows_by_dbfread(path, encoding):
    import dbfread
    table = dbfread.DBF(path, load=True, encoding=encoding, char_decode_errors="strict")
    kinds = {f.name: (f.type, f.decimal_count) for f in table.fields}
    with open(path, "rb") as f:
        raw = f.read()
    header_len, record_len = struct.unpack_from("<HH", raw, 8)
    count = struct.unpack_from("<I", raw, 4)[0]
    live, dead = iter(table.records), iter(table.deleted)
    out = []
    for i in range(count):
        deleted = raw[header_len + i * record_len:header_len + i * record_len + 1] == b"*"
        record = next(dead) if deleted else next(live)
        cells = []
        for f in table.fields:
            t, d = kinds[f.name]
            value = record[f.name]
            if t == "M" and value is None:
                value = ""
            cells.append("%s=%s" % (f.name, canonical(value, t, d)))
        out.append("%d %s %s" % (i + 1, "*" if deleted else " ", "|".join(cells)))
    return table, out


def facts(path):
    with open(path, "rb") as f:
        raw = f.read()
    problems = []
    count = struct.unpack_from("<I", raw, 4)[0]
    header_len, record_len = struct.unpack_from("<HH", raw, 8)
    if len(raw) != header_len + count * record_len + 1 or raw[-1:] != b"\x1a":
        problems.append("file is %d bytes, expected %d ending in 0x1A" % (len(raw), header_len + count * record_len + 1))
    encoding = {0x01: "cp437", 0x03: "cp1252", 0x00: "cp437"}.get(raw[29], "cp437")
    table, by_dbfread = rows_by_dbfread(path, encoding)
    by_python_dbf = rows_by_python_dbf(path)
    if by_dbfread != by_python_dbf:
        problems.append("the readers disagree:\n  %s\n  %s" % (by_dbfread, by_python_dbf))
    memo_fields = [f for f in table.fields if f.type == "M"]
    if memo_fields:
        stem = os.path.splitext(path)[0]
        memo_path = next(p for p in (stem + ".FPT", stem + ".fpt") if os.path.exists(p))
        with open(memo_path, "rb") as f:
            memo = f.read()
        next_free, block_size = struct.unpack_from(">I", memo, 0)[0], struct.unpack_from(">H", memo, 6)[0]
        if next_free * block_size < len(memo):
            problems.append("memo next-free block %d lies before the end of the file" % next_free)
        for i in range(count):
            start = header_len + i * record_len
            for f in memo_fields:
                at = start + 1 + sum(g.length for g in table.fields[:table.fields.index(f)])
                text = raw[at:at + f.length].strip(b" \0")
                if text and not (block_size * 512 // block_size <= int(text) * block_size < len(memo)):
                    problems.append("record %d: memo block %s outside the memo file" % (i + 1, text))
    h = table.header
    with dbf.Table(path) as t:
        updated = t.last_update
    print("version=0x%02X count=%d header=%d record=%d date=%s" % (
        h.dbversion, h.numrecords, h.headerlen, h.recordlen, updated.strftime("%Y%m%d")))
    print("fields=" + ",".join("%s:%s:%d:%d" % (f.name, f.type, f.length, f.decimal_count) for f in table.fields))
    for line in by_dbfread:
        print(line)
    for p in problems:
        print("PROBLEM " + p)


if __name__ == "__main__":
    {"read": read, "write": write, "facts": facts}[sys.argv[1]](sys.argv[2])
