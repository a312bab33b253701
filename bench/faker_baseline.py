#!/usr/bin/python3
"""The baseline a user might write instead of Kestrove: Faker (Debian's
python3-fake-factory) and the sqlite3 module, one INSERT per row with
autocommit, the same columns as examples/person.sql.

Usage: faker_baseline.py DATABASE RECORDS JOURNAL_MODE SYNCHRONOUS
Prints: records seconds
"""
import random
import sqlite3
import sys
import time

import faker

COUNTIES = ["Kent", "Devon", "Essex", "Surrey", "Norfolk", "Suffolk", "Cheshire", "Dorset"]
MARITAL = ["Married", "Widowed", "Separated", "Single", "Divorced"]
SUFFIXES = ["Street", "Road", "Avenue", "Crescent", "Lane", "Drive", "Gardens", "Close"]


def main():
    path, records, journal, sync = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
    fake = faker.Faker("en_GB")
    fake.seed(1)
    random.seed(1)
    db = sqlite3.connect(path, isolation_level=None)  # autocommit
    db.execute("PRAGMA journal_mode=" + journal)
    db.execute("PRAGMA synchronous=" + sync)
    db.execute("DELETE FROM person")
    sql = ("INSERT INTO person (id,forename,middlename,surname,title,gender,marital_status,"
           "address,town,county,post_code,email,date_of_birth) "
           "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?)")
    start = time.perf_counter()
    for i in range(1, records + 1):
        male = random.random() < 0.5
        forename = fake.first_name_male() if male else fake.first_name_female()
        middle = "" if random.random() < 0.5 else (
            fake.first_name_male() if male else fake.first_name_female())
        surname = fake.last_name()
        title = "Mr" if male else random.choice(["Mrs", "Miss", "Ms"])
        address = "%d %s %s" % (random.randint(1, 999), fake.last_name(), random.choice(SUFFIXES))
        db.execute(sql, (i, forename, middle, surname, title, "M" if male else "F",
                         random.choice(MARITAL), address, fake.city(), random.choice(COUNTIES),
                         fake.postcode(), "%s%s@example.com" % (forename, surname),
                         fake.date_of_birth().strftime("%Y/%m/%d")))
    seconds = time.perf_counter() - start
    db.close()
    print(records, "%.3f" % seconds)


if __name__ == "__main__":
    main()
