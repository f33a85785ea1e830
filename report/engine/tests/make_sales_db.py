#!/usr/bin/python3
"""Makes the SQLite database of the report run tests: table sales(id, name,
amount) with ROWS rows, id 1 to ROWS, name "Row <id>" and amount id * 1.5,
inserted in a shuffled order so that only the query's ORDER BY puts them in order.
Usage: make_sales_db.py FILE ROWS"""
import random
import sqlite3
import sys

path, rows = sys.argv[1], int(sys.argv[2])
ids = list(range(1, rows + 1))
random.Random(7).shuffle(ids)
db = sqlite3.connect(path)
db.execute("create table sales (id integer primary key, name text not null, amount real not null)")
db.executemany("insert into sales values (?, ?, ?)", [(i, "Row %d" % i, i * 1.5) for i in ids])
db.commit()
db.close()
