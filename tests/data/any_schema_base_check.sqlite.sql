-- The constraint check of the bike hire shop (any_schema_base.sqlite.sql),
-- one query per line, each giving one row: a label and a number. It is
-- any_schema_check.sqlite.sql without the lines for what the base schema
-- leaves out (the cycles, model_part and the unique e-mail).
--   sqlite3 DB.sqlite < tests/data/any_schema_base_check.sqlite.sql
-- prints label|number. A label that starts with "rows:" counts a table's
-- rows; every other number counts faults and must be 0. A run may fill the
-- schema on a connection that does not enforce the keys, so the keys are
-- checked here whatever the database held to. SQLite holds its CHECKs but
-- not the declared length of a text, the precision of a number, nor the
-- type of a value: the "check:" lines look at those.

-- Foreign keys: rows whose key names no row of the table it refers to.
SELECT 'fk:staff.depot_id->depot' AS label, COUNT(*) AS n FROM staff c LEFT JOIN depot p ON p.depot_id = c.depot_id WHERE c.depot_id IS NOT NULL AND p.depot_id IS NULL;
SELECT 'fk:staff.reports_to->staff' AS label, COUNT(*) AS n FROM staff c LEFT JOIN staff p ON p.staff_id = c.reports_to WHERE c.reports_to IS NOT NULL AND p.staff_id IS NULL;
SELECT 'fk:bike_model.supplier_id->supplier' AS label, COUNT(*) AS n FROM bike_model c LEFT JOIN supplier p ON p.supplier_id = c.supplier_id WHERE c.supplier_id IS NOT NULL AND p.supplier_id IS NULL;
SELECT 'fk:bike.model_id->bike_model' AS label, COUNT(*) AS n FROM bike c LEFT JOIN bike_model p ON p.model_id = c.model_id WHERE c.model_id IS NOT NULL AND p.model_id IS NULL;
SELECT 'fk:bike.depot_id->depot' AS label, COUNT(*) AS n FROM bike c LEFT JOIN depot p ON p.depot_id = c.depot_id WHERE c.depot_id IS NOT NULL AND p.depot_id IS NULL;
SELECT 'fk:hire.bike_id->bike' AS label, COUNT(*) AS n FROM hire c LEFT JOIN bike p ON p.bike_id = c.bike_id WHERE c.bike_id IS NOT NULL AND p.bike_id IS NULL;
SELECT 'fk:hire.customer_id->Customer' AS label, COUNT(*) AS n FROM hire c LEFT JOIN "Customer" p ON p."CustomerId" = c.customer_id WHERE c.customer_id IS NOT NULL AND p."CustomerId" IS NULL;
SELECT 'fk:hire.staff_id->staff' AS label, COUNT(*) AS n FROM hire c LEFT JOIN staff p ON p.staff_id = c.staff_id WHERE c.staff_id IS NOT NULL AND p.staff_id IS NULL;
SELECT 'fk:payment.customer_id->Customer' AS label, COUNT(*) AS n FROM payment c LEFT JOIN "Customer" p ON p."CustomerId" = c.customer_id WHERE c.customer_id IS NOT NULL AND p."CustomerId" IS NULL;
SELECT 'fk:payment.hire_id->hire' AS label, COUNT(*) AS n FROM payment c LEFT JOIN hire p ON p.hire_id = c.hire_id WHERE c.hire_id IS NOT NULL AND p.hire_id IS NULL;
SELECT 'fk:delivery.supplier_id->supplier' AS label, COUNT(*) AS n FROM delivery c LEFT JOIN supplier p ON p.supplier_id = c.supplier_id WHERE c.supplier_id IS NOT NULL AND p.supplier_id IS NULL;
SELECT 'fk:delivery.depot_id->depot' AS label, COUNT(*) AS n FROM delivery c LEFT JOIN depot p ON p.depot_id = c.depot_id WHERE c.depot_id IS NOT NULL AND p.depot_id IS NULL;
SELECT 'fk:delivery.part_id->part' AS label, COUNT(*) AS n FROM delivery c LEFT JOIN part p ON p.part_id = c.part_id WHERE c.part_id IS NOT NULL AND p.part_id IS NULL;

-- Primary keys: values (or combinations) held by more than one row.
SELECT 'pk:depot' AS label, COUNT(*) AS n FROM (SELECT depot_id FROM depot GROUP BY depot_id HAVING COUNT(*) > 1) d;
SELECT 'pk:staff' AS label, COUNT(*) AS n FROM (SELECT staff_id FROM staff GROUP BY staff_id HAVING COUNT(*) > 1) d;
SELECT 'pk:bike_model' AS label, COUNT(*) AS n FROM (SELECT model_id FROM bike_model GROUP BY model_id HAVING COUNT(*) > 1) d;
SELECT 'pk:bike' AS label, COUNT(*) AS n FROM (SELECT bike_id FROM bike GROUP BY bike_id HAVING COUNT(*) > 1) d;
SELECT 'pk:part' AS label, COUNT(*) AS n FROM (SELECT part_id FROM part GROUP BY part_id HAVING COUNT(*) > 1) d;
SELECT 'pk:Customer' AS label, COUNT(*) AS n FROM (SELECT "CustomerId" FROM "Customer" GROUP BY "CustomerId" HAVING COUNT(*) > 1) d;
SELECT 'pk:hire' AS label, COUNT(*) AS n FROM (SELECT hire_id FROM hire GROUP BY hire_id HAVING COUNT(*) > 1) d;
SELECT 'pk:payment' AS label, COUNT(*) AS n FROM (SELECT payment_id FROM payment GROUP BY payment_id HAVING COUNT(*) > 1) d;
SELECT 'pk:supplier' AS label, COUNT(*) AS n FROM (SELECT supplier_id FROM supplier GROUP BY supplier_id HAVING COUNT(*) > 1) d;
SELECT 'pk:delivery' AS label, COUNT(*) AS n FROM (SELECT delivery_id FROM delivery GROUP BY delivery_id HAVING COUNT(*) > 1) d;

-- Unique columns: values held by more than one row (NULLs never clash).
SELECT 'uk:bike.serial_no' AS label, COUNT(*) AS n FROM (SELECT serial_no FROM bike WHERE serial_no IS NOT NULL GROUP BY serial_no HAVING COUNT(*) > 1) d;

-- What SQLite takes without a word: text longer than its column, numbers
-- beyond their precision or type, booleans other than 0 and 1, binary
-- columns holding text or numbers, a uuid that is not one.
SELECT 'check:depot.county length<=10' AS label, COUNT(*) AS n FROM depot WHERE length(county) > 10;
SELECT 'check:depot.name length<=30' AS label, COUNT(*) AS n FROM depot WHERE length(name) > 30;
SELECT 'check:staff.first_name length<=16' AS label, COUNT(*) AS n FROM staff WHERE length(first_name) > 16;
SELECT 'check:staff.last_name length<=16' AS label, COUNT(*) AS n FROM staff WHERE length(last_name) > 16;
SELECT 'check:staff.is_active boolean' AS label, COUNT(*) AS n FROM staff WHERE is_active NOT IN (0, 1);
SELECT 'check:bike_model.model_id smallint' AS label, COUNT(*) AS n FROM bike_model WHERE typeof(model_id) <> 'integer' OR model_id NOT BETWEEN -32768 AND 32767;
SELECT 'check:bike_model.make length<=20' AS label, COUNT(*) AS n FROM bike_model WHERE length(make) > 20;
SELECT 'check:bike_model.wheel_in decimal(4,2)' AS label, COUNT(*) AS n FROM bike_model WHERE typeof(wheel_in) NOT IN ('integer', 'real') OR abs(wheel_in) >= 100 OR wheel_in <> round(wheel_in, 2);
SELECT 'check:bike.bike_id bigint' AS label, COUNT(*) AS n FROM bike WHERE typeof(bike_id) <> 'integer';
SELECT 'check:bike.serial_no uuid' AS label, COUNT(*) AS n FROM bike WHERE length(serial_no) <> 36 OR serial_no NOT LIKE '________-____-____-____-____________';
SELECT 'check:bike.tag blob' AS label, COUNT(*) AS n FROM bike WHERE typeof(tag) <> 'blob';
SELECT 'check:bike.key_code blob' AS label, COUNT(*) AS n FROM bike WHERE typeof(key_code) <> 'blob';
SELECT 'check:bike.group length<=8' AS label, COUNT(*) AS n FROM bike WHERE length("group") > 8;
SELECT 'check:bike.in_service boolean' AS label, COUNT(*) AS n FROM bike WHERE in_service NOT IN (0, 1);
SELECT 'check:part.part_id smallint' AS label, COUNT(*) AS n FROM part WHERE typeof(part_id) <> 'integer' OR part_id NOT BETWEEN -32768 AND 32767;
SELECT 'check:part.name length<=24' AS label, COUNT(*) AS n FROM part WHERE length(name) > 24;
SELECT 'check:part.val length<=6' AS label, COUNT(*) AS n FROM part WHERE length(val) > 6;
SELECT 'check:part.price_net decimal(6,2)' AS label, COUNT(*) AS n FROM part WHERE typeof(price_net) NOT IN ('integer', 'real') OR abs(price_net) >= 10000 OR price_net <> round(price_net, 2);
SELECT 'check:Customer.FirstName length<=16' AS label, COUNT(*) AS n FROM "Customer" WHERE length("FirstName") > 16;
SELECT 'check:Customer.LastName length<=16' AS label, COUNT(*) AS n FROM "Customer" WHERE length("LastName") > 16;
SELECT 'check:Customer.Email length<=40' AS label, COUNT(*) AS n FROM "Customer" WHERE length("Email") > 40;
SELECT 'check:hire.rate decimal(5,2)' AS label, COUNT(*) AS n FROM hire WHERE typeof(rate) NOT IN ('integer', 'real') OR rate <> round(rate, 2);
SELECT 'check:payment.amount decimal(5,2)' AS label, COUNT(*) AS n FROM payment WHERE typeof(amount) NOT IN ('integer', 'real') OR abs(amount) >= 1000 OR amount <> round(amount, 2);
SELECT 'check:supplier.name length<=30' AS label, COUNT(*) AS n FROM supplier WHERE length(name) > 30;
SELECT 'check:supplier.state length<=10' AS label, COUNT(*) AS n FROM supplier WHERE length(state) > 10;
SELECT 'check:supplier.country length<=2' AS label, COUNT(*) AS n FROM supplier WHERE length(country) > 2;
SELECT 'check:delivery.order length<=12' AS label, COUNT(*) AS n FROM delivery WHERE length("order") > 12;

-- Dates in order: no schema key holds these, but a record whose end comes
-- before its start is no plausible record.
SELECT 'order:staff.start_date<=end_date' AS label, COUNT(*) AS n FROM staff WHERE start_date > end_date;
SELECT 'order:Customer.CreatedAt<=UpdatedAt' AS label, COUNT(*) AS n FROM "Customer" WHERE "CreatedAt" > "UpdatedAt";
SELECT 'order:hire.rental_date<=return_date' AS label, COUNT(*) AS n FROM hire WHERE rental_date > return_date;
SELECT 'order:delivery.ordered_on<=shipped_on' AS label, COUNT(*) AS n FROM delivery WHERE ordered_on > shipped_on;

-- Rows of each table: counts, not faults.
SELECT 'rows:depot' AS label, COUNT(*) AS n FROM depot;
SELECT 'rows:staff' AS label, COUNT(*) AS n FROM staff;
SELECT 'rows:bike_model' AS label, COUNT(*) AS n FROM bike_model;
SELECT 'rows:bike' AS label, COUNT(*) AS n FROM bike;
SELECT 'rows:part' AS label, COUNT(*) AS n FROM part;
SELECT 'rows:Customer' AS label, COUNT(*) AS n FROM "Customer";
SELECT 'rows:hire' AS label, COUNT(*) AS n FROM hire;
SELECT 'rows:payment' AS label, COUNT(*) AS n FROM payment;
SELECT 'rows:supplier' AS label, COUNT(*) AS n FROM supplier;
SELECT 'rows:delivery' AS label, COUNT(*) AS n FROM delivery;
