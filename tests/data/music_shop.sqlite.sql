-- A music shop: labels and artists with their albums and tracks, playlists,
-- staff with their managers, clients with their invoices. The tables are
-- listed by name, so several children (album, client, invoice_line,
-- playlist_track) come before their parents; employee refers to itself, and
-- playlist_track has a key of two columns. SQLite enforces the foreign keys
-- only on a connection that asks for them (sqliteodbc: FKSupport=yes).
CREATE TABLE album (
  album_id     INTEGER PRIMARY KEY,
  artist_id    INTEGER NOT NULL REFERENCES artist (artist_id),
  label_id     INTEGER NOT NULL REFERENCES label (label_id),
  title        VARCHAR(60) NOT NULL,
  release_date DATE
);

CREATE TABLE artist (
  artist_id INTEGER PRIMARY KEY,
  name      VARCHAR(40) NOT NULL,
  town      VARCHAR(24),
  formed_on DATE
);

CREATE TABLE client (
  client_id      INTEGER PRIMARY KEY,
  support_rep_id INTEGER NOT NULL REFERENCES employee (employee_id),
  first_name     VARCHAR(16) NOT NULL,
  surname        VARCHAR(16) NOT NULL,
  email          VARCHAR(60),
  phone          VARCHAR(14),
  address        VARCHAR(40),
  town           VARCHAR(24),
  county         VARCHAR(24),
  post_code      VARCHAR(8),
  joined_on      DATE
);

CREATE TABLE employee (
  employee_id INTEGER PRIMARY KEY,
  reports_to  INTEGER REFERENCES employee (employee_id),
  first_name  VARCHAR(16) NOT NULL,
  last_name   VARCHAR(16) NOT NULL,
  email       VARCHAR(60),
  phone       VARCHAR(14),
  birth_date  DATE,
  hire_date   DATE,
  town        VARCHAR(24),
  county      VARCHAR(24),
  post_code   VARCHAR(8)
);

CREATE TABLE genre (
  genre_id INTEGER PRIMARY KEY,
  name     VARCHAR(24) NOT NULL
);

CREATE TABLE invoice (
  invoice_id   INTEGER PRIMARY KEY,
  client_id    INTEGER NOT NULL REFERENCES client (client_id),
  invoice_date DATE NOT NULL,
  billing_town VARCHAR(24),
  total        NUMERIC(8,2)
);

CREATE TABLE invoice_line (
  invoice_line_id INTEGER PRIMARY KEY,
  invoice_id      INTEGER NOT NULL REFERENCES invoice (invoice_id),
  track_id        INTEGER NOT NULL REFERENCES track (track_id),
  unit_price      NUMERIC(6,2),
  quantity        INTEGER
);

CREATE TABLE label (
  label_id  INTEGER PRIMARY KEY,
  name      VARCHAR(40) NOT NULL,
  town      VARCHAR(24),
  county    VARCHAR(24),
  post_code VARCHAR(8),
  phone     VARCHAR(14)
);

CREATE TABLE playlist (
  playlist_id INTEGER PRIMARY KEY,
  name        VARCHAR(40) NOT NULL,
  created_on  DATE
);

CREATE TABLE playlist_track (
  playlist_id INTEGER NOT NULL REFERENCES playlist (playlist_id),
  track_id    INTEGER NOT NULL REFERENCES track (track_id),
  PRIMARY KEY (playlist_id, track_id)
);

CREATE TABLE track (
  track_id   INTEGER PRIMARY KEY,
  album_id   INTEGER NOT NULL REFERENCES album (album_id),
  genre_id   INTEGER REFERENCES genre (genre_id),
  title      VARCHAR(60) NOT NULL,
  seconds    INTEGER,
  unit_price NUMERIC(6,2)
);
