#!/usr/bin/python3
"""Inputs and the peer of bench/report_bench.sh.

  report_bench.py db FILE ROWS        the orders table (ROWS rows)
  report_bench.py layout FILE         the list report's layout for report-tool run
  report_bench.py reportlab DB OUT    the same report drawn with reportlab's canvas
  report_bench.py compare A.txt B.txt the page texts (pdftotext -layout) agree

The report, on A4 portrait with 10 mm margins: a page header with the page
number, a title on page 1, 50 detail rows of 5 columns a page and a page
footer. Band heights (tenths of a millimetre) leave room for exactly 50 rows
on every page: header 12 mm, title 3.5 mm, detail 5 mm, footer 10.7 mm.
"""
import json
import sqlite3
import sys

CITIES = ["Recife", "Olinda", "Natal", "Salvador", "Fortaleza", "Belém", "Manaus",
          "Curitiba", "Goiânia", "Maceió", "Aracaju", "Teresina", "Cuiabá"]
SQL = "select id, customer, city, qty, amount from orders order by id"
TITLE = "Orders by number"
FOOTER = "Orders list, all customers"

# (expression, left, width) of the detail columns in tenths of a millimetre;
# amount with the mask "0.00".
COLUMNS = [("[id]", 0, 140), ("[customer]", 150, 500), ("[city]", 700, 400),
           ("[qty]", 1150, 200), ("[amount]", 1400, 300)]
HEADER, TITLE_H, DETAIL, FOOTER_H = 120, 35, 50, 107
MARGIN, PAGE_W, PAGE_H = 100, 2100, 2970


def make_db(path, rows):
    con = sqlite3.connect(path)
    con.execute("drop table if exists orders")
    con.execute("create table orders(id integer primary key, customer text, city text, qty integer, amount real)")
    con.executemany(
        "insert into orders values (?, ?, ?, ?, ?)",
        ((i, "Cliente %05d" % (i * 7919 % 20000), CITIES[i * 31 % len(CITIES)], i * 37 % 500,
          (i * 3719 % 10000000) / 100.0) for i in range(1, rows + 1)))
    con.commit()
    con.close()


def expr(name, expression, left, top, width, mask=None):
    props = {"AutoSize": False, "Size": {"Values": ["40", str(left), str(top), str(width)]},
             "Expression": expression}
    if mask:
        props["Mask"] = mask
    return {"class": "TBRExpr", "name": name, "properties": props}


def label(name, caption, left, top, width):
    return {"class": "TBRLabel", "name": name,
            "properties": {"AutoSize": False, "Size": {"Values": ["40", str(left), str(top), str(width)]},
                           "Caption": caption}}


def band(name, kind, height, children):
    return {"class": "TBRBand", "name": name,
            "properties": {"BandType": kind, "Size": {"Values": [str(height), str(PAGE_W - 2 * MARGIN)]}},
            "children": children}


def make_layout(path):
    detail = [expr("Column%d" % (n + 1), e, left, 5, width, "0.00" if e == "[amount]" else None)
              for n, (e, left, width) in enumerate(COLUMNS)]
    layout = {
        "class": "TBandReport", "name": "OrdersList",
        "properties": {"ReportTitle": "Orders", "DataSet": "Orders",
                       "Page": {"PaperSize": "A4", "Orientation": "poPortrait", "Columns": 1,
                                "Values": [str(MARGIN), str(PAGE_H), str(MARGIN), str(PAGE_W), str(MARGIN),
                                           str(MARGIN), "0"]}},
        "children": [
            band("PageHeaderBand1", "rbPageHeader", HEADER, [expr("PageText", "'Page ' + STR(PAGENUMBER)", 0, 30, 600)]),
            band("TitleBand1", "rbTitle", TITLE_H, [label("TitleText", TITLE, 0, 0, 800)]),
            band("DetailBand1", "rbDetail", DETAIL, detail),
            band("PageFooterBand1", "rbPageFooter", FOOTER_H, [label("FooterText", FOOTER, 0, 30, 800)]),
            {"class": "TQuery", "name": "Orders", "properties": {"SQL": [SQL]}},
        ],
    }
    with open(path, "w") as f:
        json.dump(layout, f, indent=1)


def reportlab(db, out):
    from reportlab.lib.pagesizes import A4
    from reportlab.pdfgen import canvas

    mm = 72 / 25.4
    page_h = A4[1]
    size = 8
    ascent = 0.905 * size

    def at(tenths_from_top):  # baseline of a text whose top is given
        return page_h - tenths_from_top / 10 * mm - ascent

    c = canvas.Canvas(out, pagesize=A4)
    body_end = PAGE_H - MARGIN - FOOTER_H
    page = 0
    y = body_end  # forces the first page

    def footer():
        c.drawString(MARGIN / 10 * mm, at(body_end + 30), FOOTER)

    cur = sqlite3.connect(db).execute(SQL)
    for row in cur:
        if y + DETAIL > body_end:
            if page:
                footer()
                c.showPage()
            page += 1
            c.setFont("Helvetica", size)
            c.drawString(MARGIN / 10 * mm, at(MARGIN + 30), "Page %d" % page)
            y = MARGIN + HEADER
            if page == 1:
                c.drawString(MARGIN / 10 * mm, at(y), TITLE)
                y += TITLE_H
        texts = (str(row[0]), row[1], row[2], str(row[3]), "%.2f" % row[4])
        for (_, left, _), text in zip(COLUMNS, texts):
            c.drawString((MARGIN + left) / 10 * mm, at(y + 5), text)
        y += DETAIL
    if page:
        footer()
        c.showPage()
    c.save()
    print("pages\t%d" % page)


def compare(a, b):
    def pages(path):
        with open(path, encoding="utf-8") as f:
            return [[" ".join(line.split()) for line in p.splitlines() if line.strip()]
                    for p in f.read().split("\f") if p.strip()]

    pa, pb = pages(a), pages(b)
    if len(pa) != len(pb):
        print("texts differ: %d pages against %d" % (len(pa), len(pb)))
        return 1
    for n, (x, y) in enumerate(zip(pa, pb), 1):
        if x != y:
            for i, (lx, ly) in enumerate(zip(x + [""] * len(y), y + [""] * len(x))):
                if lx != ly:
                    print("texts differ on page %d, line %d: %r against %r" % (n, i + 1, lx, ly))
                    return 1
    print("texts\tsame (%d pages, %d lines)" % (len(pa), sum(len(p) for p in pa)))
    return 0


if __name__ == "__main__":
    cmd = sys.argv[1] if len(sys.argv) > 1 else ""
    if cmd == "db" and len(sys.argv) == 4:
        make_db(sys.argv[2], int(sys.argv[3]))
    elif cmd == "layout" and len(sys.argv) == 3:
        make_layout(sys.argv[2])
    elif cmd == "reportlab" and len(sys.argv) == 4:
        reportlab(sys.argv[2], sys.argv[3])
    elif cmd == "compare" and len(sys.argv) == 4:
        sys.exit(compare(sys.argv[2], sys.argv[3]))
    else:
        sys.exit(__doc__)
