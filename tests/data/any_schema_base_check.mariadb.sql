-- The constraint check of the bike hire shop (any_schema_base.mariadb.sql),
-- one query per line, each giving one row: a label and a number. It is
-- any_schema_check.mariadb.sql without the lines for what the base schema
-- leaves out (the cycles, model_part and the unique e-mail).
--   mariadb -N -B -D DB < tests/data/any_schema_base_check.mariadb.sql
-- prints label<TAB>number. A label that starts with "rows:" counts a
-- table's rows; every other number counts faults and must be 0. A run may
-- fill the schema with foreign_key_checks off, after which MariaDB never
-- looks at the keys again, so they are checked here. Strict mode holds the
-- lengths, ranges and CHECKs; the "check:" lines look at what it lets by.

-- Foreign keys: rows whose key names no row of the table it refers to.
SELECT 'fk:staff.depot_id->depot' AS label, COUNT(*) AS n FROM staff c LEFT JOIN depot p ON p.depot_id = c.depot_id WHERE c.depot_id IS NOT NULL AND p.depot_id IS NULL;
SELECT 'fk:staff.reports_to->staff' AS label, COUNT(*) AS n FROM staff c LEFT JOIN staff p ON p.staff_id = c.reports_to WHERE c.reports_to IS NOT NULL AND p.staff_id IS NULL;
SELECT 'fk:bike_model.supplier_id->supply.supplier' AS label, COUNT(*) AS n FROM bike_model c LEFT JOIN supply.supplier p ON p.supplier_id = c.supplier_id WHERE c.supplier_id IS NOT NULL AND p.supplier_id IS NULL;
SELECT 'fk:bike.model_id->bike_model' AS label, COUNT(*) AS n FROM bike c LEFT JOIN bike_model p ON p.model_id = c.model_id WHERE c.model_id IS NOT NULL AND p.model_id IS NULL;
SELECT 'fk:bike.depot_id->depot' AS label, COUNT(*) AS n FROM bike c LEFT JOIN depot p ON p.depot_id = c.depot_id WHERE c.depot_id IS NOT NULL AND p.depot_id IS NULL;
SELECT 'fk:hire.bike_id->bike' AS label, COUNT(*) AS n FROM hire c LEFT JOIN bike p ON p.bike_id = c.bike_id WHERE c.bike_id IS NOT NULL AND p.bike_id IS NULL;
SELECT 'fk:hire.customer_id->Customer' AS label, COUNT(*) AS n FROM hire c LEFT JOIN `Customer` p ON p.`CustomerId` = c.customer_id WHERE c.customer_id IS NOT NULL AND p.`CustomerId` IS NULL;
SELECT 'fk:hire.staff_id->staff' AS label, COUNT(*) AS n FROM hire c LEFT JOIN staff p ON p.staff_id = c.staff_id WHERE c.staff_id IS NOT NULL AND p.staff_id IS NULL;
SELECT 'fk:payment.customer_id->Customer' AS label, COUNT(*) AS n FROM payment c LEFT JOIN `Customer` p ON p.`CustomerId` = c.customer_id WHERE c.customer_id IS NOT NULL AND p.`CustomerId` IS NULL;
SELECT 'fk:payment.hire_id->hire' AS label, COUNT(*) AS n FROM payment c LEFT JOIN hire p ON p.hire_id = c.hire_id WHERE c.hire_id IS NOT NULL AND p.hire_id IS NULL;
SELECT 'fk:delivery.supplier_id->supply.supplier' AS label, COUNT(*) AS n FROM delivery c LEFT JOIN supply.supplier p ON p.supplier_id = c.supplier_id WHERE c.supplier_id IS NOT NULL AND p.supplier_id IS NULL;
SELECT 'fk:delivery.depot_id->depot' AS label, COUNT(*) AS n FROM delivery c LEFT JOIN depot p ON p.depot_id = c.depot_id WHERE c.depot_id IS NOT NULL AND p.depot_id IS NULL;
SELECT 'fk:delivery.part_id->part' AS label, COUNT(*) AS n FROM delivery c LEFT JOIN part p ON p.part_id = c.part_id WHERE c.part_id IS NOT NULL AND p.part_id IS NULL;

-- Primary keys: values (or combinations) held by more than one row.
SELECT 'pk:depot' AS label, COUNT(*) AS n FROM (SELECT depot_id FROM depot GROUP BY depot_id HAVING COUNT(*) > 1) d;
SELECT 'pk:staff' AS label, COUNT(*) AS n FROM (SELECT staff_id FROM staff GROUP BY staff_id HAVING COUNT(*) > 1) d;
SELECT 'pk:bike_model' AS label, COUNT(*) AS n FROM (SELECT model_id FROM bike_model GROUP BY model_id HAVING COUNT(*) > 1) d;
SELECT 'pk:bike' AS label, COUNT(*) AS n FROM (SELECT bike_id FROM bike GROUP BY bike_id HAVING COUNT(*) > 1) d;
SELECT 'pk:part' AS label, COUNT(*) AS n FROM (SELECT part_id FROM part GROUP BY part_id HAVING COUNT(*) > 1) d;
SELECT 'pk:Customer' AS label, COUNT(*) AS n FROM (SELECT `CustomerId` FROM `Customer` GROUP BY `CustomerId` HAVING COUNT(*) > 1) d;
SELECT 'pk:hire' AS label, COUNT(*) AS n FROM (SELECT hire_id FROM hire GROUP BY hire_id HAVING COUNT(*) > 1) d;
SELECT 'pk:payment' AS label, COUNT(*) AS n FROM (SELECT payment_id FROM payment GROUP BY payment_id HAVING COUNT(*) > 1) d;
SELECT 'pk:supply.supplier' AS label, COUNT(*) AS n FROM (SELECT supplier_id FROM supply.supplier GROUP BY supplier_id HAVING COUNT(*) > 1) d;
SELECT 'pk:delivery' AS label, COUNT(*) AS n FROM (SELECT delivery_id FROM delivery GROUP BY delivery_id HAVING COUNT(*) > 1) d;

-- Unique columns: values held by more than one row (NULLs never clash).
SELECT 'uk:bike.serial_no' AS label, COUNT(*) AS n FROM (SELECT serial_no FROM bike WHERE serial_no IS NOT NULL GROUP BY serial_no HAVING COUNT(*) > 1) d;

-- What MariaDB takes even in strict mode: a TINYINT(1) or BOOLEAN is any
-- number from -128 to 127, YEAR takes 0 as the year 0000, and CHAR(36) any
-- text at all where a uuid is meant.
SELECT 'check:staff.is_active boolean' AS label, COUNT(*) AS n FROM staff WHERE is_active NOT IN (0, 1);
SELECT 'check:bike.in_service boolean' AS label, COUNT(*) AS n FROM bike WHERE in_service NOT IN (0, 1);
SELECT 'check:bike_model.model_year not 0000' AS label, COUNT(*) AS n FROM bike_model WHERE model_year = 0;
SELECT 'check:bike.serial_no uuid' AS label, COUNT(*) AS n FROM bike WHERE serial_no NOT REGEXP '^[0-9a-fA-F]{8}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{4}-[0-9a-fA-F]{12}$';

-- Dates in order: no schema key holds these, but a record whose end comes
-- before its start is no plausible record.
SELECT 'order:staff.start_date<=end_date' AS label, COUNT(*) AS n FROM staff WHERE start_date > end_date;
SELECT 'order:Customer.CreatedAt<=UpdatedAt' AS label, COUNT(*) AS n FROM `Customer` WHERE `CreatedAt` > `UpdatedAt`;
SELECT 'order:hire.rental_date<=return_date' AS label, COUNT(*) AS n FROM hire WHERE rental_date > return_date;
SELECT 'order:delivery.ordered_on<=shipped_on' AS label, COUNT(*) AS n FROM delivery WHERE ordered_on > shipped_on;

-- Rows of each table: counts, not faults.
SELECT 'rows:depot' AS label, COUNT(*) AS n FROM depot;
SELECT 'rows:staff' AS label, COUNT(*) AS n FROM staff;
SELECT 'rows:bike_model' AS label, COUNT(*) AS n FROM bike_model;
SELECT 'rows:bike' AS label, COUNT(*) AS n FROM bike;
SELECT 'rows:part' AS label, COUNT(*) AS n FROM part;
SELECT 'rows:Customer' AS label, COUNT(*) AS n FROM `Customer`;
SELECT 'rows:hire' AS label, COUNT(*) AS n FROM hire;
SELECT 'rows:payment' AS label, COUNT(*) AS n FROM payment;
SELECT 'rows:supply.supplier' AS label, COUNT(*) AS n FROM supply.supplier;
SELECT 'rows:delivery' AS label, COUNT(*) AS n FROM delivery;
