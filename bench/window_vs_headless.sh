#!/usr/bin/env bash
# The cost of the window: the person profile into SQLite (WAL, synchronous
# NORMAL) through ODBC, once from the window (offscreen, bench_window_run)
# and once through kestrove-run, in the same run, each into a fresh database.
#
# Usage: bench/window_vs_headless.sh [RECORDS] [ROUNDS]   (defaults: 100000 3)
# Run after scripts/build.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
records="${1:-100000}"
rounds="${2:-3}"
bin="$root/build/bin"
work="$(mktemp -d /tmp/kestrove-window.XXXXXX)"
trap 'rm -rf "$work"' EXIT

sed "3s/.*/$records\r/" "$root/examples/person.prf" > "$work/person.prf"
cat > "$work/odbc.ini" <<INI
[KestroveBench]
Driver      = SQLite3
Database    = $work/bench.sqlite
JournalMode = WAL
SyncPragma  = NORMAL
INI
export ODBCINI="$work/odbc.ini"

fresh() {
  rm -f "$work"/bench.sqlite*
  sqlite3 "$work/bench.sqlite" < "$root/examples/person.sql"
}
rows() { sqlite3 "$work/bench.sqlite" 'SELECT COUNT(*) FROM person'; }
rate() { awk -v n="$1" -v s="$2" 'BEGIN { printf "%.0f", n / s }'; }

best_window=0
best_headless=0
for round in $(seq "$rounds"); do
  fresh
  read -r _ w_seconds < <(QT_QPA_PLATFORM=offscreen "$root/build/bench/bench_window_run" \
                            KestroveBench "$work/person.prf" "$bin" 2>/dev/null)
  w_rate="$(rate "$(rows)" "$w_seconds")"
  fresh
  h_out="$("$bin/kestrove-run" --dsn KestroveBench --profile "$work/person.prf" --seed 1 \
             --today 2026/12/09 2>&1 >/dev/null | tail -n 1)"
  h_seconds="$(echo "$h_out" | sed -E 's/.* ([0-9.]+) seconds.*/\1/')"
  h_rate="$(rate "$(rows)" "$h_seconds")"
  echo "round $round: window $w_rate rows/s ($w_seconds s), kestrove-run $h_rate rows/s ($h_seconds s)"
  [ "$w_rate" -gt "$best_window" ] && best_window="$w_rate"
  [ "$h_rate" -gt "$best_headless" ] && best_headless="$h_rate"
done
echo "SQLite WAL, synchronous=NORMAL, $records records of examples/person.prf, best of $rounds"
printf '%-28s %12s\n' "" "rows/s"
printf '%-28s %12s\n' "window (offscreen)" "$best_window"
printf '%-28s %12s\n' "kestrove-run --dsn" "$best_headless"
awk -v w="$best_window" -v h="$best_headless" \
  'BEGIN { printf "headless / window: %.2fx (target: at most 1.5x)\n", h / w }'
