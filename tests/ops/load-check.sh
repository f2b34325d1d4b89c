#!/usr/bin/env bash
# A short load run on SQLite: a few clerks against a real server on a fresh demo database, then
# the load tool's own checks of the database. BIN_DIR holds load, erp-db and zmt02600-server.
set -euo pipefail
bin=$1
work=$(mktemp -d)
pid=
cleanup() { [ -z "$pid" ] || kill "$pid" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
db=sqlite:$work/erp.db
"$bin/erp-db" migrate --db "$db" >/dev/null
"$bin/erp-db" demo --db "$db" --assets 300 >/dev/null
head -c 16 /dev/urandom | od -An -tx1 | tr -d ' \n' >"$work/token"
"$bin/zmt02600-server" --db "$db" --token-file "$work/token" --allow-tool-writes --port 0 --threads 4 >"$work/out" 2>"$work/err" &
pid=$!
for _ in $(seq 1 100); do grep -q '^listening on' "$work/out" && break; sleep 0.1; done
port=$(sed -n 's/^listening on .*:\([0-9]*\)$/\1/p' "$work/out")
[ -n "$port" ] || { cat "$work/err" >&2; echo "o servidor não subiu" >&2; exit 1; }
"$bin/load" --server "127.0.0.1:$port" --token-file "$work/token" --db "$db" --clerks 6 --seconds 3 \
  --shared 50 --undo 20 --seed 11 | tee "$work/load.out"
grep -q '^verificação: ok' "$work/load.out"
