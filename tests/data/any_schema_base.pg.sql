-- A bike hire shop for the whole-schema tests, in PostgreSQL: depots and
-- their staff, a fleet of bikes of a few models, their parts, customers
-- with their hires and payments, and in a second schema (supply) the
-- suppliers and their deliveries. It is meant to hold, in ten tables,
-- every kind of column and key that a draft must read and a run must fill
-- without breaking a constraint; each table says below what it carries.
-- It is any_schema.pg.sql without the cycles of foreign keys, the key of
-- two lookups (model_part) and the unique e-mail, which a run fills only
-- once its keys hold (any_schema.pg.sql tests that).
--
-- Load into an empty database:
--   psql -v ON_ERROR_STOP=1 -d DB -f tests/data/any_schema_base.pg.sql
-- The keys come last, after every table exists, as a dump lays them out.
-- Nothing here needs a ";" inside a statement, so the file also splits
-- into statements at each ";".

CREATE SCHEMA supply;

-- A year as the other databases know it (MariaDB's YEAR): the range is a
-- CHECK on the domain, not on the column.
CREATE DOMAIN year AS integer
  CONSTRAINT year_check CHECK (VALUE >= 1901 AND VALUE <= 2155);

-- A boolean under a name of its own, as some schemas keep their flags.
CREATE DOMAIN flag AS boolean NOT NULL;

CREATE TYPE frame_material AS ENUM ('steel', 'aluminium', 'carbon', 'titanium');

CREATE TYPE pay_method AS ENUM ('card', 'cash', 'voucher');

-- Every depot has a manager, by number only: no key refers to staff. The
-- key is a SERIAL, fed by a sequence that a run writing its own values must
-- move on. county is shorter than many county names.
CREATE TABLE depot (
  depot_id         SERIAL PRIMARY KEY,
  manager_staff_id INTEGER NOT NULL,
  name             VARCHAR(30) NOT NULL,
  county           VARCHAR(10) NOT NULL,
  opened_on        DATE,
  last_update      TIMESTAMP NOT NULL DEFAULT now()
);

-- Every member of staff works at a depot, with a manager of one's own that
-- may be missing (self-reference), a flag through the boolean domain, a
-- CHECK by IN and one by BETWEEN, and a start and an end date.
CREATE TABLE staff (
  staff_id   INTEGER PRIMARY KEY,
  depot_id   INTEGER NOT NULL,
  reports_to INTEGER,
  first_name VARCHAR(16) NOT NULL,
  last_name  VARCHAR(16) NOT NULL,
  is_active  flag,
  shift      CHAR(1) NOT NULL CHECK (shift IN ('E', 'L', 'N')),
  grade      SMALLINT NOT NULL CHECK (grade BETWEEN 1 AND 5),
  start_date DATE NOT NULL,
  end_date   DATE
);

-- An enum, a DECIMAL(4,2) (at most 99.99), a year through its domain, and
-- the types only PostgreSQL has (text[], jsonb, tsvector), which are
-- nullable or have a default. Its supplier is in the other schema.
CREATE TABLE bike_model (
  model_id    SMALLINT PRIMARY KEY,
  supplier_id INTEGER NOT NULL,
  make        VARCHAR(20) NOT NULL,
  frame       frame_material NOT NULL,
  wheel_in    DECIMAL(4,2) NOT NULL,
  model_year  year NOT NULL,
  colours     text[] NOT NULL DEFAULT '{}',
  details       jsonb,
  search      tsvector
);

-- A BIGINT key that nothing generates, a uuid, binary data, a boolean and a
-- column named by a reserved word.
CREATE TABLE bike (
  bike_id    BIGINT PRIMARY KEY,
  model_id   SMALLINT NOT NULL,
  depot_id   INTEGER NOT NULL,
  serial_no  uuid NOT NULL UNIQUE,
  tag        bytea NOT NULL,
  key_code   bytea NOT NULL,
  "group"    VARCHAR(8) NOT NULL,
  in_service boolean NOT NULL,
  bought_on  DATE NOT NULL
);

-- NOT NULL columns whose names say nothing of what they hold (x1, val), a
-- default, and a generated price.
CREATE TABLE part (
  part_id     SMALLINT PRIMARY KEY,
  name        VARCHAR(24) NOT NULL,
  x1          INTEGER NOT NULL,
  val         VARCHAR(6) NOT NULL,
  weight_g    INTEGER NOT NULL DEFAULT 0,
  price_net   NUMERIC(6,2) NOT NULL,
  price_gross NUMERIC(7,2) GENERATED ALWAYS AS (price_net * 1.2) STORED
);

-- A mixed-case name, quoted everywhere, with an identity the database
-- always makes, an e-mail, a created and an updated time, and a customer's
-- last hire by number only (no key).
CREATE TABLE "Customer" (
  "CustomerId" INTEGER GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  "FirstName"  VARCHAR(16) NOT NULL,
  "LastName"   VARCHAR(16) NOT NULL,
  "Email"      VARCHAR(40) NOT NULL,
  "LastHireId" INTEGER,
  "CreatedAt"  TIMESTAMP NOT NULL,
  "UpdatedAt"  TIMESTAMP NOT NULL
);

-- A rental and its return, a rate bounded by >= and <=, hours by BETWEEN,
-- and a generated cost.
CREATE TABLE hire (
  hire_id     INTEGER PRIMARY KEY,
  bike_id     BIGINT NOT NULL,
  customer_id INTEGER NOT NULL,
  staff_id    INTEGER NOT NULL,
  rental_date TIMESTAMP NOT NULL,
  return_date TIMESTAMP,
  rate        NUMERIC(5,2) NOT NULL CHECK (rate >= 2.50 AND rate <= 60.00),
  hours       SMALLINT NOT NULL CHECK (hours BETWEEN 1 AND 72),
  cost        NUMERIC(8,2) GENERATED ALWAYS AS (rate * hours) STORED
);

-- Partitioned by the payment date, one partition per half year and none
-- for other dates: a row dated outside 2026 has nowhere to go. Each
-- partition also carries its range as a CHECK, as tables partitioned by
-- inheritance did. The primary key must hold the partition key. The hire
-- is nullable (a payment may be a deposit).
CREATE TABLE payment (
  payment_id  INTEGER NOT NULL,
  customer_id INTEGER NOT NULL,
  hire_id     INTEGER,
  amount      NUMERIC(5,2) NOT NULL CHECK (amount >= 0),
  method      pay_method NOT NULL,
  paid_on     DATE NOT NULL,
  PRIMARY KEY (payment_id, paid_on)
) PARTITION BY RANGE (paid_on);

CREATE TABLE payment_2026_h1 PARTITION OF payment
  FOR VALUES FROM ('2026-01-01') TO ('2026-07-01');

CREATE TABLE payment_2026_h2 PARTITION OF payment
  FOR VALUES FROM ('2026-07-01') TO ('2027-01-01');

ALTER TABLE payment_2026_h1 ADD CONSTRAINT payment_2026_h1_paid_on_check
  CHECK (paid_on >= DATE '2026-01-01' AND paid_on < DATE '2026-07-01');

ALTER TABLE payment_2026_h2 ADD CONSTRAINT payment_2026_h2_paid_on_check
  CHECK (paid_on >= DATE '2026-07-01' AND paid_on < DATE '2027-01-01');

-- The second schema: suppliers, with a state shorter than many state names
-- and a default country.
CREATE TABLE supply.supplier (
  supplier_id INTEGER PRIMARY KEY,
  name        VARCHAR(30) NOT NULL,
  state       VARCHAR(10) NOT NULL,
  country     CHAR(2) NOT NULL DEFAULT 'GB'
);

-- Deliveries refer across schemas to the depot, and name the supplier's
-- order number by a reserved word. Ordered, then shipped.
CREATE TABLE supply.delivery (
  delivery_id INTEGER PRIMARY KEY,
  supplier_id INTEGER NOT NULL,
  depot_id    INTEGER NOT NULL,
  part_id     SMALLINT,
  "order"     VARCHAR(12) NOT NULL,
  ordered_on  DATE NOT NULL,
  shipped_on  DATE
);

-- Neither view takes rows: a draft leaves both out.
CREATE VIEW depot_staff AS
  SELECT d.depot_id, d.name AS depot, s.staff_id, s.first_name, s.last_name
  FROM depot d JOIN staff s ON s.depot_id = d.depot_id;

CREATE MATERIALIZED VIEW hire_by_month AS
  SELECT date_trunc('month', rental_date) AS month, count(*) AS hires, sum(cost) AS takings
  FROM hire GROUP BY 1;

ALTER TABLE staff ADD CONSTRAINT staff_depot_id_fkey
  FOREIGN KEY (depot_id) REFERENCES depot (depot_id);

ALTER TABLE staff ADD CONSTRAINT staff_reports_to_fkey
  FOREIGN KEY (reports_to) REFERENCES staff (staff_id);

ALTER TABLE bike_model ADD CONSTRAINT bike_model_supplier_id_fkey
  FOREIGN KEY (supplier_id) REFERENCES supply.supplier (supplier_id);

ALTER TABLE bike ADD CONSTRAINT bike_model_id_fkey
  FOREIGN KEY (model_id) REFERENCES bike_model (model_id);

ALTER TABLE bike ADD CONSTRAINT bike_depot_id_fkey
  FOREIGN KEY (depot_id) REFERENCES depot (depot_id);

ALTER TABLE hire ADD CONSTRAINT hire_bike_id_fkey
  FOREIGN KEY (bike_id) REFERENCES bike (bike_id);

ALTER TABLE hire ADD CONSTRAINT hire_customer_id_fkey
  FOREIGN KEY (customer_id) REFERENCES "Customer" ("CustomerId");

ALTER TABLE hire ADD CONSTRAINT hire_staff_id_fkey
  FOREIGN KEY (staff_id) REFERENCES staff (staff_id);

ALTER TABLE payment ADD CONSTRAINT payment_customer_id_fkey
  FOREIGN KEY (customer_id) REFERENCES "Customer" ("CustomerId");

ALTER TABLE payment ADD CONSTRAINT payment_hire_id_fkey
  FOREIGN KEY (hire_id) REFERENCES hire (hire_id);

ALTER TABLE supply.delivery ADD CONSTRAINT delivery_supplier_id_fkey
  FOREIGN KEY (supplier_id) REFERENCES supply.supplier (supplier_id);

ALTER TABLE supply.delivery ADD CONSTRAINT delivery_depot_id_fkey
  FOREIGN KEY (depot_id) REFERENCES public.depot (depot_id);

ALTER TABLE supply.delivery ADD CONSTRAINT delivery_part_id_fkey
  FOREIGN KEY (part_id) REFERENCES public.part (part_id);
