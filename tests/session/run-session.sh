#!/usr/bin/env bash
# Runs a scripted session end to end: a demo database, the real server on a free port with a
# fresh token, and erp-shell --script (off screen). Usage: run-session.sh BIN_DIR SCRIPT
set -euo pipefail
bin=$1
script=$2
work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/erp-db" demo --db "sqlite:$work/erp.db" >/dev/null
head -c 16 /dev/urandom | od -An -tx1 | tr -d ' \n' > "$work/token"
mkfifo "$work/out"
"$bin/zmt02600-server" --db "sqlite:$work/erp.db" --token-file "$work/token" --port 0 >"$work/out" 2>"$work/server.log" &
server=$!
exec 3<"$work/out"
read -r first <&3
address=${first#listening on }
cp "$script" "$work/"
QT_QPA_PLATFORM=offscreen "$bin/erp-shell" --db "sqlite:$work/erp.db" --server "$address" \
  --token-file "$work/token" --operator 000000000001 --script "$work/$(basename "$script")"
