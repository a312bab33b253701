-- One table of people: the twelve person and address choices and a counter.
CREATE TABLE person (
  id            INTEGER PRIMARY KEY,
  forename      VARCHAR(16),
  middlename    VARCHAR(16),
  surname       VARCHAR(16),
  title         VARCHAR(4),
  gender        VARCHAR(1),
  marital_status VARCHAR(9),
  address       VARCHAR(40),
  town          VARCHAR(24),
  county        VARCHAR(24),
  post_code     VARCHAR(8),
  email         VARCHAR(60),
  date_of_birth VARCHAR(10)
);
