-- The bike hire shop of any_schema_base.pg.sql in SQLite: depots and their
-- staff, bikes of a few models, their parts, customers with their hires
-- and payments, suppliers and their deliveries. It is any_schema.sqlite.sql
-- without the cycles of foreign keys, the key of two lookups (model_part)
-- and the unique e-mail, which a run fills only once its keys hold
-- (any_schema.sqlite.sql tests that).
--
-- Load into an empty database:
--   sqlite3 -bail DB.sqlite < tests/data/any_schema_base.sqlite.sql
-- SQLite enforces the foreign keys only on a connection that asks for them
-- (PRAGMA foreign_keys, sqliteodbc: FKSupport=yes), and checks each key
-- when a row is written, so a table may name one that comes later.
--
-- What SQLite cannot say, and what stands in its place:
-- - no second schema: an attached database is one, but no foreign key may
--   cross into it, so supplier and delivery live with the rest;
-- - no enum: a CHECK ... IN of the labels;
-- - no YEAR: an INTEGER with a CHECK of its range;
-- - no partitions: payment's dates are bounded by a CHECK instead, on
--   ISO text, as SQLite compares dates as text;
-- - no uuid, boolean or array type: CHAR(36), BOOLEAN (an integer that
--   nothing holds to 0 and 1), and no counterpart of text[], jsonb or
--   tsvector;
-- - no SERIAL or GENERATED ALWAYS AS IDENTITY: INTEGER PRIMARY KEY
--   AUTOINCREMENT on "Customer", a plain rowid key on depot;
-- - no materialized view.
-- SQLite keeps neither a VARCHAR's length nor a DECIMAL's precision, nor a
-- BLOB's type: any_schema_base_check.sqlite.sql checks those.

-- Each depot has a manager, by number only: no key refers to staff. county
-- is shorter than many county names.
CREATE TABLE depot (
  depot_id         INTEGER PRIMARY KEY,
  manager_staff_id INTEGER NOT NULL,
  name             VARCHAR(30) NOT NULL,
  county           VARCHAR(10) NOT NULL,
  opened_on        DATE,
  last_update      TIMESTAMP NOT NULL DEFAULT CURRENT_TIMESTAMP
);

-- Each member of staff works at a depot, a nullable self-reference, a CHECK
-- by IN and one by BETWEEN, a start and an end date.
CREATE TABLE staff (
  staff_id   INTEGER PRIMARY KEY,
  depot_id   INTEGER NOT NULL REFERENCES depot (depot_id),
  reports_to INTEGER REFERENCES staff (staff_id),
  first_name VARCHAR(16) NOT NULL,
  last_name  VARCHAR(16) NOT NULL,
  is_active  BOOLEAN NOT NULL,
  shift      CHAR(1) NOT NULL CHECK (shift IN ('E', 'L', 'N')),
  grade      SMALLINT NOT NULL CHECK (grade BETWEEN 1 AND 5),
  start_date DATE NOT NULL,
  end_date   DATE
);

-- The frame's labels as a CHECK, a DECIMAL(4,2) and a year's range.
CREATE TABLE bike_model (
  model_id    SMALLINT PRIMARY KEY,
  supplier_id INTEGER NOT NULL REFERENCES supplier (supplier_id),
  make        VARCHAR(20) NOT NULL,
  frame       VARCHAR(9) NOT NULL
              CHECK (frame IN ('steel', 'aluminium', 'carbon', 'titanium')),
  wheel_in    DECIMAL(4,2) NOT NULL,
  model_year  INTEGER NOT NULL CHECK (model_year BETWEEN 1901 AND 2155)
);

-- A BIGINT key that nothing generates, a uuid as text, binary data, a
-- boolean and a column named by a reserved word.
CREATE TABLE bike (
  bike_id    BIGINT PRIMARY KEY,
  model_id   SMALLINT NOT NULL REFERENCES bike_model (model_id),
  depot_id   INTEGER NOT NULL REFERENCES depot (depot_id),
  serial_no  CHAR(36) NOT NULL UNIQUE,
  tag        BLOB NOT NULL,
  key_code   BLOB NOT NULL,
  "group"    VARCHAR(8) NOT NULL,
  in_service BOOLEAN NOT NULL,
  bought_on  DATE NOT NULL
);

-- NOT NULL columns whose names say nothing (x1, val), a default, and a
-- generated price.
CREATE TABLE part (
  part_id     SMALLINT PRIMARY KEY,
  name        VARCHAR(24) NOT NULL,
  x1          INTEGER NOT NULL,
  val         VARCHAR(6) NOT NULL,
  weight_g    INTEGER NOT NULL DEFAULT 0,
  price_net   NUMERIC(6,2) NOT NULL,
  price_gross NUMERIC(7,2) GENERATED ALWAYS AS (round(price_net * 1.2, 2)) STORED
);

-- A mixed-case name with an AUTOINCREMENT key, an e-mail, a created and an
-- updated time, and the last hire by number only (no key).
CREATE TABLE "Customer" (
  "CustomerId" INTEGER PRIMARY KEY AUTOINCREMENT,
  "FirstName"  VARCHAR(16) NOT NULL,
  "LastName"   VARCHAR(16) NOT NULL,
  "Email"      VARCHAR(40) NOT NULL,
  "LastHireId" INTEGER,
  "CreatedAt"  TIMESTAMP NOT NULL,
  "UpdatedAt"  TIMESTAMP NOT NULL
);

-- A rental and its return, a rate bounded by >= and <=, hours by BETWEEN,
-- and a generated (virtual) cost.
CREATE TABLE hire (
  hire_id     INTEGER PRIMARY KEY,
  bike_id     BIGINT NOT NULL REFERENCES bike (bike_id),
  customer_id INTEGER NOT NULL REFERENCES "Customer" ("CustomerId"),
  staff_id    INTEGER NOT NULL REFERENCES staff (staff_id),
  rental_date TIMESTAMP NOT NULL,
  return_date TIMESTAMP,
  rate        NUMERIC(5,2) NOT NULL CHECK (rate >= 2.50 AND rate <= 60.00),
  hours       SMALLINT NOT NULL CHECK (hours BETWEEN 1 AND 72),
  cost        NUMERIC(8,2) GENERATED ALWAYS AS (rate * hours)
);

-- Payments of 2026 only, the year as a CHECK where PostgreSQL has
-- partitions. The hire is nullable (a deposit).
CREATE TABLE payment (
  payment_id  INTEGER PRIMARY KEY,
  customer_id INTEGER NOT NULL REFERENCES "Customer" ("CustomerId"),
  hire_id     INTEGER REFERENCES hire (hire_id),
  amount      NUMERIC(5,2) NOT NULL CHECK (amount >= 0),
  method      VARCHAR(7) NOT NULL CHECK (method IN ('card', 'cash', 'voucher')),
  paid_on     DATE NOT NULL CHECK (paid_on BETWEEN '2026-01-01' AND '2026-12-31')
);

-- Suppliers, with a state shorter than many state names and a default.
CREATE TABLE supplier (
  supplier_id INTEGER PRIMARY KEY,
  name        VARCHAR(30) NOT NULL,
  state       VARCHAR(10) NOT NULL,
  country     CHAR(2) NOT NULL DEFAULT 'GB'
);

-- The supplier's order number under a reserved word; ordered, then
-- shipped.
CREATE TABLE delivery (
  delivery_id INTEGER PRIMARY KEY,
  supplier_id INTEGER NOT NULL REFERENCES supplier (supplier_id),
  depot_id    INTEGER NOT NULL REFERENCES depot (depot_id),
  part_id     SMALLINT REFERENCES part (part_id),
  "order"     VARCHAR(12) NOT NULL,
  ordered_on  DATE NOT NULL,
  shipped_on  DATE
);

-- A view takes no rows: a draft leaves it out.
CREATE VIEW depot_staff AS
  SELECT d.depot_id, d.name AS depot, s.staff_id, s.first_name, s.last_name
  FROM depot d JOIN staff s ON s.depot_id = d.depot_id;
