-- A small shop: customers, products, sales and sale lines, and suppliers.
-- Table names sort in the order the tables must be filled (parents first),
-- because the data source lists them by name and the run visits them in
-- that order. The schema works on SQLite and on PostgreSQL (supplier.on_hold
-- is a SMALLINT because the profile fills it with 0 or 1).
CREATE TABLE customer (
  id             INTEGER PRIMARY KEY,
  customer_ref   VARCHAR(12) NOT NULL,
  title          VARCHAR(4),
  forename       VARCHAR(16),
  middlename     VARCHAR(16),
  surname        VARCHAR(16),
  initials       VARCHAR(3),
  gender         VARCHAR(6),
  marital_status VARCHAR(9),
  spouse         VARCHAR(16),
  date_of_birth  VARCHAR(10),
  age            VARCHAR(3),
  address        VARCHAR(32),
  town           VARCHAR(24),
  county         VARCHAR(24),
  post_code      VARCHAR(8),
  phone          VARCHAR(14),
  email          VARCHAR(60),
  occupation     VARCHAR(24),
  joined         DATE
);

CREATE TABLE product (
  id          INTEGER PRIMARY KEY,
  code        VARCHAR(10) NOT NULL,
  name        VARCHAR(24),
  colour      VARCHAR(24),
  price       REAL,
  weight_kg   REAL,
  in_stock    BOOLEAN,
  launched    DATE,
  vat_rate    REAL,
  discount    DECIMAL(10,2),
  featured    BOOLEAN
);

CREATE TABLE sale (
  id           INTEGER PRIMARY KEY,
  customer_id  INTEGER NOT NULL REFERENCES customer(id),
  ordered_at   TIMESTAMP,
  status       VARCHAR(12),
  fulfilment   VARCHAR(24),
  delivery_slot TIME,
  placed_on    VARCHAR(32),
  note         VARCHAR(1),
  source_ref   VARCHAR(12)
);

CREATE TABLE sale_line (
  id          INTEGER PRIMARY KEY,
  sale_id     INTEGER NOT NULL REFERENCES sale(id),
  product_id  INTEGER NOT NULL REFERENCES product(id),
  product_code VARCHAR(10),
  quantity    INTEGER,
  unit_price  DECIMAL(10,2),
  weight_kg   REAL,
  packed_at   TIME,
  dispatched  TIMESTAMP
);

CREATE TABLE supplier (
  supplier_ref   VARCHAR(12) PRIMARY KEY,
  company        VARCHAR(36),
  contact_gender VARCHAR(1),
  contact_name   VARCHAR(16),
  contact_title  VARCHAR(4),
  contact_initials VARCHAR(2),
  contact_email  VARCHAR(60),
  address        VARCHAR(40),
  town           VARCHAR(24),
  post_code      VARCHAR(8),
  fax            VARCHAR(14),
  rating         VARCHAR(8),
  account_no     VARCHAR(10),
  opens          VARCHAR(8),
  since          VARCHAR(30),
  contact_born   DATE,
  contact_age    INTEGER,
  years_trading  INTEGER,
  on_hold        SMALLINT,
  credit_limit   DECIMAL(10,2),
  preferred      INTEGER,
  rebate         REAL,
  review_due     DATE,
  contract_start TIMESTAMP,
  cut_off        TIME,
  country        VARCHAR(24),
  buyer_department VARCHAR(24),
  payment_days   VARCHAR(24)
);
