-- The music shop of music_shop.sqlite.sql for PostgreSQL, laid out as a
-- dump lays it out: the tables in name order, then their keys, so no table
-- has to exist before another. The constraints carry names, which the
-- driver reports with each key.

CREATE TABLE album (
  album_id     INTEGER PRIMARY KEY,
  artist_id    INTEGER NOT NULL,
  label_id     INTEGER NOT NULL,
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
  support_rep_id INTEGER NOT NULL,
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
  reports_to  INTEGER,
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
  client_id    INTEGER NOT NULL,
  invoice_date DATE NOT NULL,
  billing_town VARCHAR(24),
  total        NUMERIC(8,2)
);

CREATE TABLE invoice_line (
  invoice_line_id INTEGER PRIMARY KEY,
  invoice_id      INTEGER NOT NULL,
  track_id        INTEGER NOT NULL,
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
  playlist_id INTEGER NOT NULL,
  track_id    INTEGER NOT NULL,
  PRIMARY KEY (playlist_id, track_id)
);

CREATE TABLE track (
  track_id   INTEGER PRIMARY KEY,
  album_id   INTEGER NOT NULL,
  genre_id   INTEGER,
  title      VARCHAR(60) NOT NULL,
  seconds    INTEGER,
  unit_price NUMERIC(6,2)
);

ALTER TABLE album ADD CONSTRAINT album_artist_id_fkey
  FOREIGN KEY (artist_id) REFERENCES artist (artist_id);

ALTER TABLE album ADD CONSTRAINT album_label_id_fkey
  FOREIGN KEY (label_id) REFERENCES label (label_id);

ALTER TABLE client ADD CONSTRAINT client_support_rep_id_fkey
  FOREIGN KEY (support_rep_id) REFERENCES employee (employee_id);

ALTER TABLE employee ADD CONSTRAINT employee_reports_to_fkey
  FOREIGN KEY (reports_to) REFERENCES employee (employee_id);

ALTER TABLE invoice ADD CONSTRAINT invoice_client_id_fkey
  FOREIGN KEY (client_id) REFERENCES client (client_id);

ALTER TABLE invoice_line ADD CONSTRAINT invoice_line_invoice_id_fkey
  FOREIGN KEY (invoice_id) REFERENCES invoice (invoice_id);

ALTER TABLE invoice_line ADD CONSTRAINT invoice_line_track_id_fkey
  FOREIGN KEY (track_id) REFERENCES track (track_id);

ALTER TABLE playlist_track ADD CONSTRAINT playlist_track_playlist_id_fkey
  FOREIGN KEY (playlist_id) REFERENCES playlist (playlist_id);

ALTER TABLE playlist_track ADD CONSTRAINT playlist_track_track_id_fkey
  FOREIGN KEY (track_id) REFERENCES track (track_id);

ALTER TABLE track ADD CONSTRAINT track_album_id_fkey
  FOREIGN KEY (album_id) REFERENCES album (album_id);

ALTER TABLE track ADD CONSTRAINT track_genre_id_fkey
  FOREIGN KEY (genre_id) REFERENCES genre (genre_id);
