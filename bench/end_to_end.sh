#!/usr/bin/env bash
# End-to-end insert rate: the 12-field person profile (plus its counter) into
# SQLite through ODBC with kestrove-run, against
#   - the baseline a user might write instead (bench/faker_baseline.py:
#     Faker and the sqlite3 module, one INSERT per row, autocommit), and
#   - the ceiling of the database (bench_sqlite_ceiling: the same rows through
#     the sqlite3 C API, one prepared statement, one transaction).
# All three use the same database settings (journal mode and synchronous).
#
# Usage: bench/end_to_end.sh [RECORDS] [JOURNAL_MODE] [SYNCHRONOUS]
#        (defaults: 100000 WAL OFF); run after scripts/build.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
records="${1:-100000}"
journal="${2:-WAL}"
sync="${3:-OFF}"
bin="$root/build/bin"
work="$(mktemp -d /tmp/kestrove-e2e.XXXXXX)"
trap 'rm -rf "$work"' EXIT

for name in kestrove baseline ceiling; do sqlite3 "$work/$name.sqlite" < "$root/examples/person.sql"; done

# The profile with its one table's record count set (line 3 of the file).
sed "3s/.*/$records\r/" "$root/examples/person.prf" > "$work/person.prf"

cat > "$work/odbc.ini" <<INI
[KestroveBench]
Driver     = SQLite3
Database   = $work/kestrove.sqlite
JournalMode = $journal
SyncPragma = $sync
INI

rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", n / s }'; }

k_out="$(ODBCINI="$work/odbc.ini" "$bin/kestrove-run" --dsn KestroveBench --profile "$work/person.prf" \
           --seed 1 --today 2026/12/09 2>&1 >/dev/null | tail -n 1)"
k_seconds="$(echo "$k_out" | sed -E 's/.* ([0-9.]+) seconds.*/\1/')"
k_rows="$(sqlite3 "$work/kestrove.sqlite" 'SELECT COUNT(*) FROM person')"

read -r b_rows b_seconds < <(/usr/bin/python3 "$root/bench/faker_baseline.py" \
                               "$work/baseline.sqlite" "$records" "$journal" "$sync")
read -r c_rows c_seconds < <("$root/build/bench/bench_sqlite_ceiling" "$work/ceiling.sqlite" \
                               "$work/person.prf" "$records" "$bin" "$journal" "$sync")

k_rate="$(rate "$k_rows" "$k_seconds")"
b_rate="$(rate "$b_rows" "$b_seconds")"
c_rate="$(rate "$c_rows" "$c_seconds")"
echo "SQLite, journal_mode=$journal, synchronous=$sync, $records records of examples/person.prf"
printf '%-52s %9s %9s %12s\n' "" rows seconds "rows/s"
printf '%-52s %9s %9s %12s\n' "kestrove-run --dsn (ODBC, one statement per row)" "$k_rows" "$k_seconds" "$k_rate"
printf '%-52s %9s %9s %12s\n' "baseline: Faker + sqlite3 module, autocommit" "$b_rows" "$b_seconds" "$b_rate"
printf '%-52s %9s %9s %12s\n' "ceiling: sqlite3 C API, prepared, one transaction" "$c_rows" "$c_seconds" "$c_rate"
awk -v k="$k_rate" -v b="$b_rate" -v c="$c_rate" \
  'BEGIN { printf "kestrove / baseline: %.1fx    kestrove / ceiling: %.2f\n", k / b, k / c }'
