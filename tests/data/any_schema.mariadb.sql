-- The bike hire shop of any_schema.pg.sql in MariaDB: depots and their
-- staff, bikes of a few models built from parts, customers with their hires
-- and payments, suppliers (in a second database) and their deliveries.
--
-- Load into an empty database (the default one of the data source) with an
-- account that may also create and use the database supply:
--   mariadb -D DB < tests/data/any_schema.mariadb.sql
-- (scripts/mariadb-scratch gives its account kestrove_any exactly these.)
-- The keys come last, after every table exists: depot and staff refer to
-- each other, and so do Customer and hire.
--
-- What MariaDB says otherwise than PostgreSQL:
-- - a schema is a database: supply.supplier lives in the database supply,
--   while the default database stays the data source's own. A key names
--   a table of another database only with its database's name, so the
--   table in supply is the referenced one and delivery, which refers to
--   depot as well, stays in the default database: the file loads into a
--   default database of any name;
-- - no partitions: a partitioned InnoDB table can have no foreign keys, so
--   payment's dates are bounded by a CHECK instead;
-- - no uuid, array, tsvector or materialized view: CHAR(36) for the uuid,
--   JSON (text with a json_valid CHECK) for the model's details;
-- - no deferrable keys: the depot-staff cycle of NOT NULL keys is filled
--   with SET foreign_key_checks = 0 on the run's own connection, which any
--   account may do, and checked for orphans afterwards;
-- - no SERIAL in the PostgreSQL sense: AUTO_INCREMENT on depot (unsigned)
--   and on Customer, where PostgreSQL has an identity.

CREATE DATABASE IF NOT EXISTS supply;

-- One half of a cycle of NOT NULL keys (each depot has a manager, each
-- member of staff a depot); the manager is unique. county is shorter than
-- many county names.
CREATE TABLE depot (
  depot_id         INT UNSIGNED NOT NULL AUTO_INCREMENT PRIMARY KEY,
  manager_staff_id INT NOT NULL UNIQUE,
  name             VARCHAR(30) NOT NULL,
  county           VARCHAR(10) NOT NULL,
  opened_on        DATE,
  last_update      TIMESTAMP NOT NULL DEFAULT CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP
);

-- The other half of the cycle, a nullable self-reference, a TINYINT(1)
-- flag, a CHECK by IN and one by BETWEEN on an unsigned TINYINT, a start
-- and an end date.
CREATE TABLE staff (
  staff_id   INT NOT NULL PRIMARY KEY,
  depot_id   INT UNSIGNED NOT NULL,
  reports_to INT,
  first_name VARCHAR(16) NOT NULL,
  last_name  VARCHAR(16) NOT NULL,
  is_active  TINYINT(1) NOT NULL,
  shift      CHAR(1) NOT NULL CHECK (shift IN ('E', 'L', 'N')),
  grade      TINYINT UNSIGNED NOT NULL CHECK (grade BETWEEN 1 AND 5),
  start_date DATE NOT NULL,
  end_date   DATE
);

-- An ENUM, a DECIMAL(4,2) (at most 99.99), a YEAR (1901 to 2155, and the
-- 0000 that the checker rejects) and JSON, nullable.
CREATE TABLE bike_model (
  model_id    SMALLINT NOT NULL PRIMARY KEY,
  supplier_id INT NOT NULL,
  make        VARCHAR(20) NOT NULL,
  frame       ENUM('steel', 'aluminium', 'carbon', 'titanium') NOT NULL,
  wheel_in    DECIMAL(4,2) NOT NULL,
  model_year  YEAR NOT NULL,
  details       JSON
);

-- A BIGINT key that nothing generates, a uuid as text, fixed and variable
-- binary, a BOOLEAN, a SET and a column named by a reserved word.
CREATE TABLE bike (
  bike_id    BIGINT NOT NULL PRIMARY KEY,
  model_id   SMALLINT NOT NULL,
  depot_id   INT UNSIGNED NOT NULL,
  serial_no  CHAR(36) NOT NULL UNIQUE,
  tag        BINARY(8) NOT NULL,
  key_code   VARBINARY(16) NOT NULL,
  `group`    VARCHAR(8) NOT NULL,
  in_service BOOLEAN NOT NULL,
  extras     SET('lock', 'lights', 'basket', 'rack', 'bell') NOT NULL,
  bought_on  DATE NOT NULL
);

-- NOT NULL columns whose names say nothing (x1, val), a default, and a
-- generated price kept on disk.
CREATE TABLE part (
  part_id     SMALLINT UNSIGNED NOT NULL PRIMARY KEY,
  name        VARCHAR(24) NOT NULL,
  x1          INT NOT NULL,
  val         VARCHAR(6) NOT NULL,
  weight_g    INT NOT NULL DEFAULT 0,
  price_net   DECIMAL(6,2) NOT NULL,
  price_gross DECIMAL(7,2) AS (price_net * 1.2) PERSISTENT
);

-- A key of two lookups.
CREATE TABLE model_part (
  model_id SMALLINT NOT NULL,
  part_id  SMALLINT UNSIGNED NOT NULL,
  qty      TINYINT UNSIGNED NOT NULL DEFAULT 1,
  PRIMARY KEY (model_id, part_id)
);

-- A mixed-case name (table names are case-sensitive on Linux) with an
-- AUTO_INCREMENT key, a unique e-mail, a created and an updated time, and
-- the nullable half of a cycle with hire.
CREATE TABLE `Customer` (
  `CustomerId` INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  `FirstName`  VARCHAR(16) NOT NULL,
  `LastName`   VARCHAR(16) NOT NULL,
  `Email`      VARCHAR(40) NOT NULL UNIQUE,
  `LastHireId` INT,
  `CreatedAt`  DATETIME NOT NULL,
  `UpdatedAt`  DATETIME NOT NULL
);

-- A rental and its return, a rate bounded by >= and <=, hours by BETWEEN,
-- and a generated cost that is computed on reading.
CREATE TABLE hire (
  hire_id     INT NOT NULL PRIMARY KEY,
  bike_id     BIGINT NOT NULL,
  customer_id INT NOT NULL,
  staff_id    INT NOT NULL,
  rental_date DATETIME NOT NULL,
  return_date DATETIME,
  rate        DECIMAL(5,2) NOT NULL CHECK (rate >= 2.50 AND rate <= 60.00),
  hours       TINYINT UNSIGNED NOT NULL CHECK (hours BETWEEN 1 AND 72),
  cost        DECIMAL(8,2) AS (rate * hours) VIRTUAL
);

-- Payments of 2026 only, where PostgreSQL has partitions. The hire is
-- nullable (a deposit).
CREATE TABLE payment (
  payment_id  INT NOT NULL PRIMARY KEY,
  customer_id INT NOT NULL,
  hire_id     INT,
  amount      DECIMAL(5,2) NOT NULL CHECK (amount >= 0),
  method      ENUM('card', 'cash', 'voucher') NOT NULL,
  paid_on     DATE NOT NULL CHECK (paid_on BETWEEN '2026-01-01' AND '2026-12-31')
);

-- The second database: suppliers, with a state shorter than many state
-- names and a default country.
CREATE TABLE supply.supplier (
  supplier_id INT NOT NULL PRIMARY KEY,
  name        VARCHAR(30) NOT NULL,
  state       VARCHAR(10) NOT NULL,
  country     CHAR(2) NOT NULL DEFAULT 'GB'
);

-- Deliveries refer to the supplier in the other database, name the
-- supplier's order number by a reserved word, and are ordered, then
-- shipped.
CREATE TABLE delivery (
  delivery_id INT NOT NULL PRIMARY KEY,
  supplier_id INT NOT NULL,
  depot_id    INT UNSIGNED NOT NULL,
  part_id     SMALLINT UNSIGNED,
  `order`     VARCHAR(12) NOT NULL,
  ordered_on  DATE NOT NULL,
  shipped_on  DATE
);

-- A view takes no rows: a draft leaves it out.
CREATE VIEW depot_staff AS
  SELECT d.depot_id, d.name AS depot, s.staff_id, s.first_name, s.last_name
  FROM depot d JOIN staff s ON s.depot_id = d.depot_id;

ALTER TABLE depot ADD CONSTRAINT depot_manager_staff_id_fkey
  FOREIGN KEY (manager_staff_id) REFERENCES staff (staff_id);

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

ALTER TABLE model_part ADD CONSTRAINT model_part_model_id_fkey
  FOREIGN KEY (model_id) REFERENCES bike_model (model_id);

ALTER TABLE model_part ADD CONSTRAINT model_part_part_id_fkey
  FOREIGN KEY (part_id) REFERENCES part (part_id);

ALTER TABLE `Customer` ADD CONSTRAINT Customer_LastHireId_fkey
  FOREIGN KEY (`LastHireId`) REFERENCES hire (hire_id);

ALTER TABLE hire ADD CONSTRAINT hire_bike_id_fkey
  FOREIGN KEY (bike_id) REFERENCES bike (bike_id);

ALTER TABLE hire ADD CONSTRAINT hire_customer_id_fkey
  FOREIGN KEY (customer_id) REFERENCES `Customer` (`CustomerId`);

ALTER TABLE hire ADD CONSTRAINT hire_staff_id_fkey
  FOREIGN KEY (staff_id) REFERENCES staff (staff_id);

ALTER TABLE payment ADD CONSTRAINT payment_customer_id_fkey
  FOREIGN KEY (customer_id) REFERENCES `Customer` (`CustomerId`);

ALTER TABLE payment ADD CONSTRAINT payment_hire_id_fkey
  FOREIGN KEY (hire_id) REFERENCES hire (hire_id);

ALTER TABLE delivery ADD CONSTRAINT delivery_supplier_id_fkey
  FOREIGN KEY (supplier_id) REFERENCES supply.supplier (supplier_id);

ALTER TABLE delivery ADD CONSTRAINT delivery_depot_id_fkey
  FOREIGN KEY (depot_id) REFERENCES depot (depot_id);

ALTER TABLE delivery ADD CONSTRAINT delivery_part_id_fkey
  FOREIGN KEY (part_id) REFERENCES part (part_id);
