#!/usr/bin/env python3
"""Writes a large report layout (JSON) for bench/load_bench.sh.

  make_big_layout.py controls N OUT   N text controls, 100 to a band
  make_big_layout.py bands N OUT      N bands of one label each, every fourth a child band
  make_big_layout.py text BYTES OUT   one AutoStretch, word-wrapped label of BYTES of text
"""
import json
import sys


def label(name, caption, top, left, **extra):
    props = {"Caption": caption, "AutoSize": False, "FontSize": 8,
             "Size": {"Values": ["40", str(left), str(top), "240"]}}
    props.update(extra)
    return {"class": "TBRLabel", "name": name, "properties": props}


def expr(name, expression, top, left):
    return {"class": "TBRExpr", "name": name,
            "properties": {"Expression": expression, "AutoSize": False, "FontSize": 8,
                           "Size": {"Values": ["40", str(left), str(top), "240"]}}}


def band(name, band_type, height, children):
    return {"class": "TBRBand", "name": name,
            "properties": {"BandType": band_type, "Size": {"Values": [str(height), "1900"]}},
            "children": children}


def report(children):
    return {"class": "TBandReport", "name": "BigReport",
            "properties": {"ReportTitle": "Big",
                           "Page": {"PaperSize": "A4", "Orientation": "poPortrait", "Columns": 1,
                                    "Values": ["100", "2970", "100", "2100", "100", "100", "0"]}},
            "children": children}


def controls(n):
    bands, per_band = [], 100
    for b in range((n + per_band - 1) // per_band):
        kids = []
        for i in range(b * per_band, min(n, (b + 1) * per_band)):
            k = i - b * per_band
            top, left = (k // 8) * 45, (k % 8) * 240
            if i % 2:
                kids.append(expr("E%d" % i, "'x%d'" % i, top, left))
            else:
                kids.append(label("L%d" % i, "c%d" % i, top, left))
        bands.append(band("Band%d" % b, "rbTitle", 600, kids))
    return report(bands)


def bands(n):
    # every fourth band is the child band of the one before it (a reference by name)
    kids = []
    for b in range(n):
        one = band("Band%d" % b, "rbTitle", 50, [label("L%d" % b, "b%d" % b, 0, 0)])
        if b % 4 == 3:
            one["class"] = "TBRChildBand"
            del one["properties"]["BandType"]
            one["properties"]["ParentBand"] = "Band%d" % (b - 1)
        kids.append(one)
    return report(kids)


def text(size):
    words = []
    total = 0
    i = 0
    while total < size:
        w = "word%d" % (i % 997)
        words.append(w)
        total += len(w) + 1
        i += 1
    caption = " ".join(words)[:size]
    big = label("Big", caption, 0, 0, WordWrap=True, AutoStretch=True)
    big["properties"]["Size"]["Values"] = ["40", "0", "0", "1900"]
    return report([band("Band0", "rbTitle", 50, [big])])


def main():
    kind, n, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    layout = {"controls": controls, "bands": bands, "text": text}[kind](n)
    with open(out, "w") as f:
        json.dump(layout, f)


if __name__ == "__main__":
    main()
