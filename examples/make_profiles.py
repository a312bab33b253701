#!/usr/bin/env python3
"""Writes the example profile files from the schemas beside them.

A profile addresses tables and fields by position, so the field slots are
taken from the column order of each CREATE TABLE, and the table slots from
the order in which the data source lists the tables (by name).
Run: python3 examples/make_profiles.py
"""
import os
import re

HERE = os.path.dirname(os.path.abspath(__file__))

# Choice lists per type class: (entry text, choice base).
CHOICES = {
    2: ["Do not update", "Formatted", "Increment", "Number", "Lookup", "Database Lookup",
        "Choice", "Date", "Age", "Time", "Gender", "Forename", "Middlename", "Initials",
        "Surname", "Blank", "Title", "Marital Status", "Spouse Name", "Address", "Town/City",
        "County/State", "Post/Zip Code", "Tel/Fax", "Email", "Company"],
    3: ["Do not update", "Fixed Value", "Random", "Age", "Counter", "Database Lookup"],
    4: ["Do not update", "Fixed Value", "Random", "Database Lookup"],
    5: ["Do not update", "Fixed Value", "Random"],
    6: ["Do not update", "Fixed Value", "Random", "Database Lookup"],
    8: ["Do not update", "Fixed Date", "Random Date"],
    9: ["Do not update", "Fixed Time", "Random Time"],
    10: ["Do not update", "Fixed DateTime", "Random DateTime"],
}
BASES = {
    2: [0, 1, 2, 3, 8, 14, 15, 16, 43, 51, 54, 56, 59, 61, 64, 65, 84, 90, 91, 92, 96, 97, 98,
        102, 105, 109],
    3: [0, 200, 201, 202, 206, 207],
    4: [0, 300, 301, 302],
    5: [0, 400, 401],
    6: [0, 500, 501, 502],
    8: [0, 600, 601],
    9: [0, 700, 701],
    10: [0, 800, 801],
}

TEXT, INTEGER, FLOAT, BOOLEAN, CURRENCY, DATE, TIME, DATETIME = 2, 3, 4, 5, 6, 8, 9, 10


def columns(sql_file):
    """Column names per table, in declaration order."""
    tables = {}
    text = open(os.path.join(HERE, sql_file)).read()
    for name, body in re.findall(r"CREATE TABLE (\w+) \((.*?)\n\);", text, re.S):
        cols = []
        for line in body.strip().splitlines():
            line = line.strip()
            if line and not line.startswith("--"):
                cols.append(line.split()[0])
        tables[name] = cols
    return tables


def field_lines(name, choice):
    if choice is None:
        return ["", "0", "", "", "0", "0", "0"]
    cls, entry, item, p1, p2 = (list(choice) + ["", ""])[:5]
    index = CHOICES[cls].index(entry)
    base = BASES[cls][index]
    return [name, str(index), p1, p2, str(item), str(base), str(base + item)]


def write_profile(path, sql_file, tables):
    """tables: list of (table name, record count, delete, {column: choice}) in slot order."""
    cols = columns(sql_file)
    lines = [str(len(tables))]
    for slot in range(len(tables) + 1):  # one block past the last listed table
        if slot < len(tables):
            name, count, delete, choices = tables[slot]
            unknown = set(choices) - set(cols[name])
            assert not unknown, f"{name}: no such column {unknown}"
            lines += [name, str(count), "true" if delete else "false"]
            fields = cols[name]
        else:
            lines += ["", "10", "false"]
            fields, choices = [], {}
        for i in range(256):
            col = fields[i] if i < len(fields) else None
            lines += field_lines(col, choices.get(col))
    with open(os.path.join(HERE, path), "w", newline="") as f:
        f.write("".join(line + "\r\n" for line in lines))


CUSTOMER = {
    "id": (INTEGER, "Counter", 0),
    "customer_ref": (TEXT, "Formatted", 0, "CUS-!!~~~~"),
    "title": (TEXT, "Title", 5),
    "forename": (TEXT, "Forename", 0),
    "middlename": (TEXT, "Middlename", 0),
    "surname": (TEXT, "Surname", 0),
    "initials": (TEXT, "Initials", 2),
    "gender": (TEXT, "Gender", 1),
    "marital_status": (TEXT, "Marital Status", 0),
    "spouse": (TEXT, "Spouse Name", 0),
    "date_of_birth": (TEXT, "Date", 1, "1935/1/1", "2006/12/31"),
    "age": (TEXT, "Age", 2),
    "address": (TEXT, "Address", 1),
    "town": (TEXT, "Town/City", 0),
    "county": (TEXT, "County/State", 0),
    "post_code": (TEXT, "Post/Zip Code", 0),
    "phone": (TEXT, "Tel/Fax", 0),
    "email": (TEXT, "Email", 3, "example"),
    "occupation": (TEXT, "Lookup", 0),
    "joined": (DATE, "Random Date", 10, "2015/1/1", ""),
}
PRODUCT = {
    "id": (INTEGER, "Counter", 0, "1000"),
    "code": (TEXT, "Formatted", 0, "PRD-!!~~~"),
    "name": (TEXT, "Lookup", 2),
    "colour": (TEXT, "Lookup", 3),
    "price": (CURRENCY, "Random", 0, "1.50", "250.00"),
    "weight_kg": (FLOAT, "Random", 0, "0.05", "25.0"),
    "in_stock": (BOOLEAN, "Random", 2),
    "launched": (DATE, "Fixed Date", 0, "'2021-03-01'"),
    "vat_rate": (FLOAT, "Fixed Value", 0, "0.2"),
    "discount": (CURRENCY, "Fixed Value", 0, "5.00"),
    "featured": (BOOLEAN, "Fixed Value", 0, "FALSE"),
}
SALE = {
    "id": (INTEGER, "Counter", 0),
    "customer_id": (INTEGER, "Database Lookup", 0, "id", "customer"),
    "ordered_at": (DATETIME, "Random DateTime", 9, "2024/1/1", ""),
    "status": (TEXT, "Choice", 0, "new;paid;packed;shipped;delivered;returned"),
    "fulfilment": (TEXT, "Lookup", 5),
    "delivery_slot": (TIME, "Random Time", 0),
    "placed_on": (TEXT, "Date", 16, "2024/1/1", ""),
    "note": (TEXT, "Blank", 0),
    "source_ref": (TEXT, "Number", 0, "100000", "999999"),
}
SALE_LINE = {
    "id": (INTEGER, "Counter", 0),
    "sale_id": (INTEGER, "Database Lookup", 0, "id", "sale"),
    "product_id": (INTEGER, "Database Lookup", 0, "id", "product"),
    "product_code": (TEXT, "Database Lookup", 0, "code", "product"),
    "quantity": (INTEGER, "Random", 0, "1", "12"),
    "unit_price": (CURRENCY, "Database Lookup", 0, "price", "product"),
    "weight_kg": (FLOAT, "Database Lookup", 0, "weight_kg", "product"),
    "packed_at": (TIME, "Fixed Time", 0, "'09:30:00'"),
    "dispatched": (DATETIME, "Fixed DateTime", 0, "'2025-06-30 17:00:00'"),
}
SUPPLIER = {
    "supplier_ref": (TEXT, "Increment", 0, "SUP-~", "100"),
    "company": (TEXT, "Company", 0),
    "contact_gender": (TEXT, "Gender", 0),
    "contact_name": (TEXT, "Forename", 0),
    "contact_title": (TEXT, "Title", 1),
    "contact_initials": (TEXT, "Initials", 1),
    "contact_email": (TEXT, "Email", 1, ""),
    "address": (TEXT, "Address", 3),
    "town": (TEXT, "Town/City", 0),
    "post_code": (TEXT, "Post/Zip Code", 2),
    "fax": (TEXT, "Tel/Fax", 1),
    "rating": (TEXT, "Number", 2, "1", "5"),
    "account_no": (TEXT, "Formatted", 0, "AC~~~~~~"),
    "opens": (TEXT, "Time", 2),
    "since": (TEXT, "Date", 26, "1980/1/1", "2020/12/31"),
    "contact_born": (DATE, "Random Date", 1, "1950/1/1", "2000/12/31"),
    "contact_age": (INTEGER, "Age", 2),
    "years_trading": (INTEGER, "Fixed Value", 0, "12"),
    "on_hold": (BOOLEAN, "Random", 0),
    "credit_limit": (CURRENCY, "Random", 0, "500", "25000"),
    "preferred": (INTEGER, "Random", 0, "0", "1"),
    "rebate": (FLOAT, "Random", 0, "0.5", "7.5"),
    "review_due": (DATE, "Random Date", 10, "2026/1/1", "2027/12/31"),
    "contract_start": (DATETIME, "Random DateTime", 9, "2020/1/1", "2025/12/31"),
    "cut_off": (TIME, "Random Time", 1),
    "country": (TEXT, "Lookup", 4),
    "buyer_department": (TEXT, "Lookup", 1),
    "payment_days": (TEXT, "Age", 0),
}

PERSON = {
    "id": (INTEGER, "Counter", 0),
    "forename": (TEXT, "Forename", 0),
    "middlename": (TEXT, "Middlename", 0),
    "surname": (TEXT, "Surname", 0),
    "title": (TEXT, "Title", 0),
    "gender": (TEXT, "Gender", 0),
    "marital_status": (TEXT, "Marital Status", 0),
    "address": (TEXT, "Address", 1),
    "town": (TEXT, "Town/City", 0),
    "county": (TEXT, "County/State", 0),
    "post_code": (TEXT, "Post/Zip Code", 0),
    "email": (TEXT, "Email", 2, "example"),
    "date_of_birth": (TEXT, "Date", 1, "1940/1/1", "2008/12/31"),
}

if __name__ == "__main__":
    write_profile("shop.prf", "shop.sql", [
        ("customer", 200, True, CUSTOMER),
        ("product", 50, True, PRODUCT),
        ("sale", 400, True, SALE),
        ("sale_line", 1000, True, SALE_LINE),
        ("supplier", 30, True, SUPPLIER),
    ])
    write_profile("person.prf", "person.sql", [("person", 1000, True, PERSON)])
