#!/usr/bin/python3
"""Makes the SQLite database of the printed totals tests: table orders(id,
customer, amount) with ROWS rows, id 1 to ROWS, and amounts in quarters
(exact in binary, so every sum is exact) from 0.25 to 2500.00.
Usage: make_orders_db.py FILE ROWS"""
import random
import sqlite3
import sys

path, rows = sys.argv[1], int(sys.argv[2])
rng = random.Random(11)
db = sqlite3.connect(path)
db.execute("create table orders (id integer primary key, customer text not null, amount real not null)")
db.executemany("insert into orders values (?, ?, ?)",
               [(i, "Customer %d" % (i % 7), rng.randint(1, 10000) / 4) for i in range(1, rows + 1)])
db.commit()
db.close()
