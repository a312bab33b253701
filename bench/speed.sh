#!/usr/bin/env bash
# The speed figures side by side, in one run on this machine, as one table:
#   - the dry run of the person profile (kestrove-run to /dev/null) against
#     @faker-js/faker making the same fields as INSERT text (bench/faker_dry_run.mjs),
#     the median of paired rounds;
#     faker is installed with npm into a temporary folder here and nowhere else;
#   - SQLite in WAL mode with synchronous NORMAL, kestrove-run --commit-every
#     10000 --rows-per-insert 100, against Python's sqlite3 executemany of the
#     same rows in one transaction (bench/sqlite_executemany.py);
#   - SQLite at the driver's default settings, --commit-every 1000 against
#     the same run in autocommit;
#   - PostgreSQL (a scratch cluster started here with scripts/pg-scratch and
#     stopped at the end), --commit-every 10000 --rows-per-insert 100, against
#     psql's \copy of the same rows from a CSV file;
#   - for both SQLite lines, the sqlite3 shell running the same statements in
#     the same transactions: what SQLite itself makes of such texts;
#   - each of those batched runs again with --bind (values bound to an Insert
#     prepared once per table), beside the literal one;
#   - MariaDB (a scratch server started here with scripts/mariadb-scratch),
#     the literal and --bind runs beside its own client (mariadb) running the
#     same statements in the same transactions; there --bind sends each batch
#     as an array of parameter sets over a one-row Insert (db/bound_insert.h);
#     each --bind run starts from an empty table as the literal one does
#     (SQLite: a database of its own; PostgreSQL and MariaDB: the literal
#     run's rows are removed first, so that the profile's Delete has as
#     little to do in both);
#   - a Database Lookup kept in memory (--cache-lookups) on a table of 100,000
#     rows, values/s after the first read (bench_cached_lookup).
#
# Usage: bench/speed.sh [RECORDS]   (default 1000000); run after scripts/build.
# KESTROVE_BUILD names another build folder than build/ (it must hold
# bench/bench_cached_lookup as well as bin/).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
records="${1:-1000000}"
build="${KESTROVE_BUILD:-$root/build}"
bin="$build/bin"
work="$(mktemp -d /tmp/kestrove-speed.XXXXXX)"
# The scratch cluster's server runs as postgres and must reach its folder.
chmod 755 "$work"
pgdir="$work/pg-scratch"
mariadir="$work/mariadb-scratch"
cleanup() {
  [ -d "$pgdir" ] && bash "$root/scripts/pg-scratch" stop "$pgdir" >/dev/null 2>&1 || true
  [ -d "$mariadir" ] && bash "$root/scripts/mariadb-scratch" stop "$mariadir" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", n / s }'; }
row() { printf '| %-58s | %12s | %s |\n' "$1" "$2" "$3"; }

# The dry run against @faker-js/faker, in paired rounds: each round runs
# kestrove-run (the whole process, wall time) and then faker (a tenth of the
# records, timed inside node: it is that much slower, and its start is not
# counted against it); the ratio of each round's two rates is kept, and the
# median of the rounds is the figure quoted, so that a machine whose speed
# drifts between rounds moves both sides of a ratio alike.
# KESTROVE_DRY_ROUNDS sets the number of rounds (default 5).
sed "3s/.*/$records\r/" "$root/examples/person.prf" > "$work/person.prf"
rounds="${KESTROVE_DRY_ROUNDS:-5}"
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
dry_once() {
  local start end
  start=$(date +%s.%N)
  "$bin/kestrove-run" --profile "$work/person.prf" --sql-out /dev/null --seed 1 \
    --today 2026/12/09 2>/dev/null
  end=$(date +%s.%N)
  rate "$records" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')"
}
faker_ready=""
if command -v node >/dev/null && command -v npm >/dev/null; then
  (cd "$work" && npm install --silent --no-audit --no-fund @faker-js/faker@10 >/dev/null 2>&1) &&
    cp "$root/bench/faker_dry_run.mjs" "$work/" && faker_ready=1
fi
: > "$work/dry.rates"
: > "$work/faker.rates"
: > "$work/dry.ratios"
for _ in $(seq "$rounds"); do
  r="$(dry_once)"
  echo "$r" >> "$work/dry.rates"
  if [ -n "$faker_ready" ] &&
    read -r f_records f_seconds < <(cd "$work" && node faker_dry_run.mjs $((records / 10))); then
    f="$(rate "$f_records" "$f_seconds")"
    echo "$f" >> "$work/faker.rates"
    awk -v k="$r" -v f="$f" 'BEGIN { print k / f }' >> "$work/dry.ratios"
  fi
done
dry="$(median < "$work/dry.rates")"
faker_rate=""
if [ -s "$work/dry.ratios" ]; then
  faker_rate="$(median < "$work/faker.rates")"
  dry_ratio="$(median < "$work/dry.ratios")"
fi

seconds_of() { sed -nE 's/.* ([0-9.]+) seconds$/\1/p' | tail -n 1; }
percent() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f%%", 100 * a / b }'; }
times() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0fx", a / b }'; }
db_records=$((records / 5))
sed "3s/.*/$db_records\r/" "$root/examples/person.prf" > "$work/person_db.prf"
cat > "$work/odbc.ini" <<INI
[BenchWal]
Driver = SQLite3
Database = $work/wal.sqlite
JournalMode = WAL
SyncPragma = NORMAL

[BenchWalBind]
Driver = SQLite3
Database = $work/wal_bind.sqlite
JournalMode = WAL
SyncPragma = NORMAL

[BenchDefault]
Driver = SQLite3
Database = $work/default.sqlite

[BenchAuto]
Driver = SQLite3
Database = $work/auto.sqlite
INI
# kestrove-run into a data source; prints the seconds of its summary.
into() {
  local dsn="$1" profile="$2"
  shift 2
  ODBCINI="$work/odbc.ini" "$bin/kestrove-run" --profile "$profile" --dsn "$dsn" --seed 1 \
    --today 2026/12/09 "$@" 2>&1 >/dev/null | seconds_of
}

# SQLite, WAL: kestrove-run batched, then executemany of the rows it stored.
sqlite3 "$work/wal.sqlite" 'PRAGMA journal_mode=WAL' >/dev/null
sqlite3 "$work/wal.sqlite" < "$root/examples/person.sql"
wal_seconds="$(into BenchWal "$work/person_db.prf" --commit-every 10000 --rows-per-insert 100)"
wal_rows="$(sqlite3 "$work/wal.sqlite" 'SELECT Count(*) FROM person')"
read -r py_rows py_seconds < <(/usr/bin/python3 "$root/bench/sqlite_executemany.py" \
  "$work/wal.sqlite" "$work/executemany.sqlite" "$root/examples/person.sql" person WAL NORMAL)
wal_rate="$(rate "$wal_rows" "$wal_seconds")"
sqlite3 "$work/wal_bind.sqlite" 'PRAGMA journal_mode=WAL' >/dev/null
sqlite3 "$work/wal_bind.sqlite" < "$root/examples/person.sql"
walb_seconds="$(into BenchWalBind "$work/person_db.prf" --commit-every 10000 --rows-per-insert 100 --bind)"
walb_rate="$(rate "$(sqlite3 "$work/wal_bind.sqlite" 'SELECT Count(*) FROM person')" "$walb_seconds")"
py_rate="$(rate "$py_rows" "$py_seconds")"

# The database's own ceiling for the same texts: the sqlite3 shell running
# the statements kestrove-run sends (from a dry run with the same seed), in
# the same transactions, without ODBC.
# shell_rate DB SQL_FILE STATEMENTS_PER_TRANSACTION [PRAGMA...]: rows/s.
shell_rate() {
  local db="$1" sql="$2" per="$3"
  shift 3
  sqlite3 "$db" < "$root/examples/person.sql"
  {
    for pragma in "$@"; do echo "PRAGMA $pragma;"; done
    grep -v '^Delete' "$sql" | awk -v n="$per" 'NR % n == 1 { print "BEGIN;" } { print } NR % n == 0 { print "COMMIT;" } END { if (NR % n != 0) print "COMMIT;" }'
  } > "$sql.run"
  local start end
  start=$(date +%s.%N)
  sqlite3 "$db" < "$sql.run" >/dev/null
  end=$(date +%s.%N)
  rate "$(sqlite3 "$db" 'SELECT Count(*) FROM person')" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')"
}
"$bin/kestrove-run" --profile "$work/person_db.prf" --sql-out "$work/batched.sql" --seed 1 \
  --today 2026/12/09 --rows-per-insert 100 2>/dev/null
"$bin/kestrove-run" --profile "$work/person_db.prf" --sql-out "$work/single.sql" --seed 1 \
  --today 2026/12/09 2>/dev/null
sqlite3 "$work/shell_wal.sqlite" 'PRAGMA journal_mode=WAL' >/dev/null
shell_wal_rate="$(shell_rate "$work/shell_wal.sqlite" "$work/batched.sql" 10000 "synchronous=NORMAL")"
shell_def_rate="$(shell_rate "$work/shell_default.sqlite" "$work/single.sql" 1000)"

# SQLite at the driver's default settings: every commit waits for the disk.
auto_records=1000
sed "3s/.*/$auto_records\r/" "$root/examples/person.prf" > "$work/person_auto.prf"
sqlite3 "$work/default.sqlite" < "$root/examples/person.sql"
sqlite3 "$work/auto.sqlite" < "$root/examples/person.sql"
def_seconds="$(into BenchDefault "$work/person_db.prf" --commit-every 1000)"
def_rows="$(sqlite3 "$work/default.sqlite" 'SELECT Count(*) FROM person')"
auto_seconds="$(into BenchAuto "$work/person_auto.prf")"
auto_rows="$(sqlite3 "$work/auto.sqlite" 'SELECT Count(*) FROM person')"
def_rate="$(rate "$def_rows" "$def_seconds")"
auto_rate="$(rate "$auto_rows" "$auto_seconds")"

# PostgreSQL: a scratch cluster of this run's own.
pg_rate=""
if bash "$root/scripts/pg-scratch" start "$pgdir" >"$work/pg-scratch.log" 2>&1 &&
  grep -q '^\[KestrovePg\]' "$pgdir/odbc.ini"; then
  sed -n '/^\[KestrovePg\]/,/^$/p' "$pgdir/odbc.ini" >> "$work/odbc.ini"
  pg_user="$(sed -n 's/^Username=//p' "$pgdir/odbc.ini" | head -n 1)"
  psql_() { psql -X -q -h "$pgdir" -U "$pg_user" -d kestrove_test -v ON_ERROR_STOP=1 "$@"; }
  psql_ -f "$root/examples/person.sql"
  pg_seconds="$(into KestrovePg "$work/person_db.prf" --commit-every 10000 --rows-per-insert 100)"
  pg_rows="$(psql_ -At -c 'SELECT Count(*) FROM person')"
  psql_ -c 'TRUNCATE person'
  pgb_seconds="$(into KestrovePg "$work/person_db.prf" --commit-every 10000 --rows-per-insert 100 --bind)"
  pgb_rate="$(rate "$(psql_ -At -c 'SELECT Count(*) FROM person')" "$pgb_seconds")"
  psql_ -c "\\copy (SELECT * FROM person ORDER BY id) TO '$work/person.csv' WITH (FORMAT csv)"
  psql_ -c 'TRUNCATE person'
  start=$(date +%s.%N)
  psql_ -c "\\copy person FROM '$work/person.csv' WITH (FORMAT csv)"
  end=$(date +%s.%N)
  copy_rows="$(psql_ -At -c 'SELECT Count(*) FROM person')"
  copy_rate="$(rate "$copy_rows" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')")"
  pg_rate="$(rate "$pg_rows" "$pg_seconds")"
fi

# MariaDB: a scratch server of this run's own; its client runs the
# statements of the dry run in transactions of 10000 statements, as the runs.
maria_rate=""
if bash "$root/scripts/mariadb-scratch" start "$mariadir" >"$work/mariadb-scratch.log" 2>&1 &&
  grep -q '^\[KestroveMariaDb\]' "$mariadir/odbc.ini"; then
  sed -n '/^\[KestroveMariaDb\]/,/^$/p' "$mariadir/odbc.ini" >> "$work/odbc.ini"
  maria_() { mariadb -S "$mariadir/mariadb.sock" -u kestrove -pKv-scratch7 kestrove_test "$@"; }
  maria_ < "$root/examples/person.sql"
  m_seconds="$(into KestroveMariaDb "$work/person_db.prf" --commit-every 10000 --rows-per-insert 100)"
  m_rows="$(maria_ -N -e 'SELECT Count(*) FROM person')"
  maria_ -e 'TRUNCATE TABLE person'
  mb_seconds="$(into KestroveMariaDb "$work/person_db.prf" --commit-every 10000 --rows-per-insert 100 --bind)"
  mb_rows="$(maria_ -N -e 'SELECT Count(*) FROM person')"
  maria_ -e 'DELETE FROM person'
  grep -v '^Delete' "$work/batched.sql" | awk -v n=10000 'NR % n == 1 { print "BEGIN;" } { print } NR % n == 0 { print "COMMIT;" } END { if (NR % n != 0) print "COMMIT;" }' > "$work/maria.run"
  start=$(date +%s.%N)
  maria_ < "$work/maria.run"
  end=$(date +%s.%N)
  mc_rate="$(rate "$(maria_ -N -e 'SELECT Count(*) FROM person')" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')")"
  maria_rate="$(rate "$m_rows" "$m_seconds")"
  mariab_rate="$(rate "$mb_rows" "$mb_seconds")"
fi

# A lookup kept in memory, on SQLite: the first value reads the table.
read -r lk_first lk_values lk_seconds < <(ODBCINI="$work/odbc.ini" \
  "$build/bench/bench_cached_lookup" BenchWal 100000)
lk_rate="$(rate "$lk_values" "$lk_seconds")"

echo "Measured $(date +%Y-%m-%d) on $(nproc) cores; records/s, rows/s"
row "Case" "Kestrove" "Comparison"
row "---" "---:" "---"
if [ -n "$faker_rate" ]; then
  row "Dry run, person profile, $records records" "$dry" \
    "@faker-js/faker same fields: $faker_rate/s ($(awk -v x="$dry_ratio" 'BEGIN { printf "%.1fx", x }'), median of $rounds paired rounds)"
else
  row "Dry run, person profile, $records records" "$dry" "(no node/npm: faker not run)"
fi
row "SQLite WAL, --commit-every 10000 --rows-per-insert 100" "$wal_rate" \
  "Python executemany, one transaction, same rows: $py_rate/s (Kestrove $(percent "$wal_rate" "$py_rate")); the sqlite3 shell, same statements: $shell_wal_rate/s ($(percent "$shell_wal_rate" "$py_rate"))"
row "SQLite WAL, the same with --bind" "$walb_rate" \
  "Python executemany: Kestrove $(percent "$walb_rate" "$py_rate"); the literal run: $(awk -v a="$walb_rate" -v b="$wal_rate" 'BEGIN { printf "%.2fx", a / b }')"
row "SQLite default settings, --commit-every 1000" "$def_rate" \
  "same run in autocommit: $auto_rate/s ($(times "$def_rate" "$auto_rate")); the sqlite3 shell, same statements and commits: $shell_def_rate/s ($(times "$shell_def_rate" "$auto_rate"))"
if [ -n "$pg_rate" ]; then
  row "PostgreSQL, --commit-every 10000 --rows-per-insert 100" "$pg_rate" \
    "psql \\copy of the same rows: $copy_rate/s (Kestrove $(percent "$pg_rate" "$copy_rate"))"
  row "PostgreSQL, the same with --bind" "$pgb_rate" \
    "psql \\copy: Kestrove $(percent "$pgb_rate" "$copy_rate"); the literal run: $(awk -v a="$pgb_rate" -v b="$pg_rate" 'BEGIN { printf "%.2fx", a / b }')"
else
  row "PostgreSQL, --commit-every 10000 --rows-per-insert 100" "-" \
    "(no scratch cluster: see $work/pg-scratch.log)"
fi
if [ -n "$maria_rate" ]; then
  row "MariaDB, --commit-every 10000 --rows-per-insert 100" "$maria_rate" \
    "the mariadb client, same statements and commits: $mc_rate/s (Kestrove $(percent "$maria_rate" "$mc_rate"))"
  row "MariaDB, the same with --bind" "$mariab_rate" \
    "the mariadb client: Kestrove $(percent "$mariab_rate" "$mc_rate"); the literal run: $(awk -v a="$mariab_rate" -v b="$maria_rate" 'BEGIN { printf "%.2fx", a / b }')"
else
  row "MariaDB, --commit-every 10000 --rows-per-insert 100" "-" \
    "(no scratch server: see $work/mariadb-scratch.log)"
fi
row "--cache-lookups, 100,000-row table, values/s" "$lk_rate" \
  "after a first read of ${lk_first} s"
echo "SQLite and PostgreSQL rows: $db_records records of examples/person.prf; SQLite autocommit: $auto_records"
