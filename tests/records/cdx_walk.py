#!/usr/bin/python3
"""An independent walker of FoxPro CDX compound indexes, for the engine's tests.

It shares no code with the engine: the page layout is read from the public
description of the format (tag directory at offset 0, 1024-byte tag headers,
512-byte interior and compact leaf nodes), and the expected keys are computed
from the table as python3-dbfread reads it.

  cdx_walk.py check TABLE.DBF   walks every tag of TABLE.CDX; prints one JSON
                                object per tag and then "OK", or the problems
                                found, one a line, and exits 1.
"""
import json
import os
import re
import struct
import sys

import dbfread

PAGE = 512


class Damaged(Exception):
    pass


def u16(b, at):
    return struct.unpack_from("<H", b, at)[0]


def u32(b, at):
    return struct.unpack_from("<I", b, at)[0]


def be32(b, at):
    return struct.unpack_from(">I", b, at)[0]


def page(data, offset):
    if offset % PAGE or offset < PAGE or offset + PAGE > len(data):
        raise Damaged("node offset %d outside the file" % offset)
    return data[offset:offset + PAGE]


def header(data, offset):
    if offset % PAGE or offset + 1024 > len(data):
        raise Damaged("tag header offset %d outside the file" % offset)
    h = data[offset:offset + 1024]
    key_len = u16(h, 12)
    key_pool = u16(h, 510)
    for_pool = u16(h, 506)
    pool = h[512:]
    if key_pool + for_pool > 512 or u16(h, 504) != key_pool + for_pool:
        raise Damaged("tag header at %d: expression pool lengths %d + %d, total %d" % (
            offset, key_pool, for_pool, u16(h, 504)))
    key_expr = pool[:key_pool].split(b"\0")[0].decode("ascii")
    for_expr = pool[key_pool:key_pool + for_pool].split(b"\0")[0].decode("ascii")
    return {"root": u32(h, 0), "key_len": key_len, "options": h[14],
            "descending": u16(h, 502) != 0, "key": key_expr, "for": for_expr}


def read_leaf(node, key_len, pad, out):
    count = u16(node, 2)
    free = u16(node, 12)
    rec_mask = u32(node, 14)
    dup_mask, trail_mask = node[18], node[19]
    rec_bits, dup_bits, trail_bits, info_bytes = node[20], node[21], node[22], node[23]
    if rec_mask != (1 << rec_bits) - 1 or dup_mask != (1 << dup_bits) - 1 or trail_mask != (1 << trail_bits) - 1:
        raise Damaged("leaf masks disagree with their bit counts")
    if rec_bits + dup_bits + trail_bits > info_bytes * 8:
        raise Damaged("leaf bit counts exceed the entry size")
    key_end = PAGE
    previous = b""
    used = 0
    for e in range(count):
        at = 24 + e * info_bytes
        info = int.from_bytes(node[at:at + info_bytes], "little")
        recno = info & rec_mask
        dup = (info >> rec_bits) & dup_mask
        trail = (info >> (rec_bits + dup_bits)) & trail_mask
        stored = key_len - dup - trail
        if stored < 0:
            raise Damaged("leaf counts exceed the key length")
        key_end -= stored
        if key_end < 24 + count * info_bytes:
            raise Damaged("leaf keys overlap the entry table")
        key = previous[:dup] + node[key_end:key_end + stored] + pad * trail
        used += info_bytes + stored
        out.append((key, recno))
        previous = key
    if free != PAGE - 24 - used:
        raise Damaged("leaf free-space count %d, %d bytes actually free" % (free, PAGE - 24 - used))


def walk_tree(data, root, key_len, pad):
    """Entries in file order by descending from the root; also checks that
    every interior key is the last key of its child and that the leaves are
    chained left to right through their sibling pointers."""
    entries, leaves = [], []
    seen = set()

    def node(offset, depth):
        if offset in seen or depth > 32:
            raise Damaged("node %d reached twice (loop)" % offset)
        seen.add(offset)
        n = page(data, offset)
        attr, count = u16(n, 0), u16(n, 2)
        if attr & 2:
            leaves.append((offset, u32(n, 4), u32(n, 8)))
            read_leaf(n, key_len, pad, entries)
            return
        if count == 0 or count * (key_len + 8) > 500:
            raise Damaged("interior node %d key count %d" % (offset, count))
        for e in range(count):
            at = 12 + e * (key_len + 8)
            key, recno, child = n[at:at + key_len], be32(n, at + key_len), be32(n, at + key_len + 4)
            node(child, depth + 1)
            if entries and (entries[-1][0] != key or entries[-1][1] != recno):
                raise Damaged("interior key of node %d entry %d is not its child's last key" % (offset, e))

    node(root, 0)
    for i, (offset, left, right) in enumerate(leaves):
        want_left = leaves[i - 1][0] if i else 0xFFFFFFFF
        want_right = leaves[i + 1][0] if i + 1 < len(leaves) else 0xFFFFFFFF
        if left != want_left or right != want_right:
            raise Damaged("leaf %d sibling pointers %x/%x, expected %x/%x" % (offset, left, right, want_left, want_right))
    return entries


def dtos(value):
    return value.strftime("%Y%m%d") if value else "        "


def ascii_upper(text):
    return "".join(c.upper() if "a" <= c <= "z" else c for c in text)


def key_of(expression, row, fields):
    """The key of the few expression shapes the logs use, computed from the
    values python3-dbfread decoded."""
    def text(name):
        value = row[name]
        if fields[name].type == "D":
            return dtos(value)
        return (value or "").ljust(fields[name].length)

    parts = []
    for term in expression.split("+"):
        term = term.strip()
        m = re.fullmatch(r"(UPPER|DTOS)\((\w+)\)", term, re.I)
        if m:
            name = m.group(2).upper()
            # UPPER folds the ASCII letters only: keys compare as bytes.
            parts.append(ascii_upper(text(name)) if m.group(1).upper() == "UPPER" else dtos(row[name]))
        elif term.upper() in fields:
            parts.append(text(term.upper()))
        else:
            raise Damaged("the walker cannot evaluate %r" % expression)
    return "".join(parts)


def check(table_path):
    problems = []
    stem = os.path.splitext(table_path)[0]
    cdx_path = stem + ".CDX" if os.path.exists(stem + ".CDX") else stem + ".cdx"
    with open(cdx_path, "rb") as f:
        data = f.read()
    with open(table_path, "rb") as f:
        encoding = "cp1252" if f.read(32)[29] in (0x03, 0x57) else "cp437"
    table = dbfread.DBF(table_path, load=True, ignore_missing_memofile=True, encoding=encoding,
                        char_decode_errors="replace")
    fields = {f.name: f for f in table.fields}
    live = {}
    for recno, row in enumerate(_all_rows(table_path, table), start=1):
        live[recno] = row
    directory = header(data, 0)
    tags = walk_tree(data, directory["root"], directory["key_len"], b" ")
    names = [k.rstrip(b" \0").decode("ascii") for k, _ in tags]
    if names != sorted(names):
        problems.append("tag directory not in name order: %s" % names)
    for name, (_, tag_offset) in zip(names, tags):
        try:
            h = header(data, tag_offset)
            entries = walk_tree(data, h["root"], h["key_len"], b" ")
        except Damaged as e:
            problems.append("tag %s: %s" % (name, e))
            continue
        keys = [k for k, _ in entries]
        if any(keys[i] > keys[i + 1] or (keys[i] == keys[i + 1] and entries[i][1] >= entries[i + 1][1])
               for i in range(len(keys) - 1)):
            problems.append("tag %s: entries not in ascending (key, record) order" % name)
        want = {}
        for recno, (deleted, row) in live.items():
            if h["for"].replace(" ", "").lower() == ".not.deleted()" and deleted:
                continue
            want[recno] = key_of(h["key"], row, fields).encode(encoding, "replace")[:h["key_len"]]
        got = {r: k for k, r in entries}
        if len(got) != len(entries):
            problems.append("tag %s: a record is listed twice" % name)
        if set(got) != set(want):
            problems.append("tag %s: lists records %s, live records are %s" % (name, sorted(got), sorted(want)))
        else:
            wrong = [r for r in want if want[r].ljust(h["key_len"]) != got[r]]
            if wrong:
                problems.append("tag %s: stale keys for records %s" % (name, wrong[:10]))
        order = [r for _, r in entries]
        if h["descending"]:
            order.reverse()
        print(json.dumps({"tag": name, "key": h["key"], "for": h["for"], "descending": h["descending"],
                          "order": order}))
    for p in problems:
        print(p)
    if not problems:
        print("OK")
    return 1 if problems else 0


def _all_rows(path, table):
    """(deleted, row) in record order, deleted rows included."""
    rows = []
    deleted = set()
    with open(path, "rb") as f:
        raw = f.read()
    header_len, record_len = u16(raw, 8), u16(raw, 10)
    for i in range(u32(raw, 4)):
        if raw[header_len + i * record_len:header_len + i * record_len + 1] == b"*":
            deleted.add(i)
    live_rows = iter(table.records)
    dead_rows = iter(table.deleted)
    for i in range(u32(raw, 4)):
        rows.append((i in deleted, next(dead_rows) if i in deleted else next(live_rows)))
    return rows


if __name__ == "__main__":
    try:
        sys.exit({"check": check}[sys.argv[1]](sys.argv[2]))
    except Damaged as e:
        print("damaged: %s" % e)
        sys.exit(1)
