#!/usr/bin/python3
"""The SQLite database of the group and master-detail runs, and the lines a
run of their layouts must print, derived from the rows with sqlite3.

  places_db.py make FILE ORDERS CUSTOMERS
      orders(id, customer_id, country, city) with ORDERS rows over a few
      countries and cities, customers(id, name) with CUSTOMERS rows (some
      without orders)
  places_db.py groups FILE
      the lines of the group layout: COUNTRY and CITY headers, ORDER
      details, ENDCITY and ENDCOUNTRY footers, SUMMARY
  places_db.py masters FILE
      the lines of the master-detail layout: each CUSTOMER followed by
      its ORDERs
  places_db.py totals FILE
      the lines of the totals layout: each city with the sum of its orders'
      amounts (GROUP BY), then TOTAL and the sum of every amount"""
import random
import sqlite3
import sys

PLACES = {
    "Brazil": ["Recife", "Rio", "Santos"],
    "Chile": ["Arica", "Talca"],
    "Portugal": ["Braga", "Faro", "Lisboa", "Porto"],
    "Uruguay": ["Salto"],
}


def make(path, orders, customers):
    rng = random.Random(37)
    db = sqlite3.connect(path)
    db.execute("create table customers (id integer primary key, name text not null)")
    db.execute("create table orders (id integer primary key, customer_id integer not null, "
               "country text not null, city text not null, amount real not null)")
    db.executemany("insert into customers values (?, ?)",
                   [(i, "Customer%d" % i) for i in range(1, customers + 1)])
    rows = []
    for i in range(1, orders + 1):
        country = rng.choice(sorted(PLACES))
        # Customers from the upper tenth have no orders.
        rows.append((i, rng.randint(1, max(1, customers * 9 // 10)), country, rng.choice(PLACES[country]),
                     (i * 7919 % 4000) / 4))
    db.executemany("insert into orders values (?, ?, ?, ?, ?)", rows)
    db.commit()
    db.close()


def groups(path):
    db = sqlite3.connect(path)
    rows = db.execute("select id, country, city from orders order by country, city, id").fetchall()
    out = []
    for n, (oid, country, city) in enumerate(rows):
        prev = rows[n - 1] if n else None
        if prev is None or prev[1] != country:
            out += ["COUNTRY " + country, "CITY " + city]
        elif prev[2] != city:
            out += ["CITY " + city]
        out.append("ORDER %d" % oid)
        nxt = rows[n + 1] if n + 1 < len(rows) else None
        if nxt is None or nxt[1] != country:
            out += ["ENDCITY " + city, "ENDCOUNTRY " + country]
        elif nxt[2] != city:
            out += ["ENDCITY " + city]
    out.append("SUMMARY")
    print("\n".join(out))


def masters(path):
    db = sqlite3.connect(path)
    out = []
    for cid, name in db.execute("select id, name from customers order by id").fetchall():
        out.append("CUSTOMER " + name)
        for (oid,) in db.execute("select id from orders where customer_id = ? order by id", (cid,)):
            out.append("ORDER %d" % oid)
    print("\n".join(out))


def totals(path):
    db = sqlite3.connect(path)
    out = ["%s %.2f" % (city, total) for city, total in db.execute(
        "select city, sum(amount) from orders group by country, city order by country, city")]
    out.append("TOTAL %.2f" % db.execute("select sum(amount) from orders").fetchone()[0])
    print("\n".join(out))


if __name__ == "__main__":
    command = sys.argv[1]
    if command == "make":
        make(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
    elif command == "groups":
        groups(sys.argv[2])
    elif command == "masters":
        masters(sys.argv[2])
    elif command == "totals":
        totals(sys.argv[2])
    else:
        sys.exit("usage: places_db.py make FILE ORDERS CUSTOMERS | groups FILE | masters FILE | totals FILE")
