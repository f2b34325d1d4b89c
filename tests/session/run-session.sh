#!/usr/bin/env bash
# Runs a scripted session end to end: a demo database, the real server on a free port with a
# fresh token, and erp-shell --script (off screen). The demo operator logs in with the demo
# password from a file, or, with --login-dialog, the script itself logs in through the dialog.
# Usage: run-session.sh BIN_DIR SCRIPT [--login-dialog]
set -euo pipefail
bin=$1
script=$2
mode=${3:-}
work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$bin/erp-db" demo --db "sqlite:$work/erp.db" >/dev/null
head -c 16 /dev/urandom | od -An -tx1 | tr -d ' \n' > "$work/token"
printf '%s\n' demo1234 > "$work/senha"   # every demo operator's password (README)
mkfifo "$work/out"
"$bin/zmt02600-server" --db "sqlite:$work/erp.db" --token-file "$work/token" --port 0 >"$work/out" 2>"$work/server.log" &
server=$!
exec 3<"$work/out"
read -r first <&3
address=${first#listening on }
cp "$script" "$work/"
login=(--operator 000000000001 --password-file "$work/senha")
[ "$mode" = --login-dialog ] && login=()
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" "$bin/erp-shell" --db "sqlite:$work/erp.db" --server "$address" \
  --token-file "$work/token" "${login[@]}" --script "$work/$(basename "$script")"
