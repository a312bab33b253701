#!/usr/bin/python3
"""Python's sqlite3 module filling a table with the rows that kestrove-run
stored in another database: executemany of one prepared INSERT, in one
transaction, with the same journal mode and synchronous setting.

Usage: sqlite_executemany.py SOURCE_DB TARGET_DB SCHEMA_SQL TABLE JOURNAL SYNCHRONOUS
Prints "rows seconds", the seconds counting the inserts and the commit only.
"""
import sqlite3
import sys
import time

source, target, schema, table, journal, synchronous = sys.argv[1:7]
rows = sqlite3.connect(source).execute(f"SELECT * FROM {table} ORDER BY 1").fetchall()
db = sqlite3.connect(target, isolation_level=None)
db.execute(f"PRAGMA journal_mode={journal}")
db.execute(f"PRAGMA synchronous={synchronous}")
db.executescript(open(schema).read())
marks = ",".join("?" * len(rows[0]))
start = time.perf_counter()
db.execute("BEGIN")
db.executemany(f"INSERT INTO {table} VALUES ({marks})", rows)
db.execute("COMMIT")
seconds = time.perf_counter() - start
count = db.execute(f"SELECT Count(*) FROM {table}").fetchone()[0]
print(count, f"{seconds:.3f}")
