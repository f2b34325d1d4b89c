#!/usr/bin/env bash
# A clerk's round at the keyboard, in a real window: Xvfb at 1280x720 with the openbox window
# manager, the real server and shell on a demo database, driven by xdotool with keys alone (the
# scripted sessions answer dialogs themselves and move the focus by name, so they cannot see what
# this sees). Checks the result in the database and keeps screenshots of each step.
# Usage: real-window.sh BIN_DIR SCREENSHOT_DIR
# Exits 77 (skipped) when Xvfb, openbox or xdotool is missing.
set -euo pipefail
bin=$1
shots=$2
for tool in Xvfb openbox xdotool python3; do
  command -v "$tool" >/dev/null || { echo "sem $tool: teste ignorado"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  local status=$?
  if [ "$status" -ne 0 ] && [ -n "${DISPLAY:-}" ]; then
    "$bin/erp-screen-grab" "$shots/falha.png" 2>/dev/null || true
    echo "--- servidor"; tail -20 "$work/server.log" 2>/dev/null || true
    echo "--- shell"; tail -20 "$work/shell.log" 2>/dev/null || true
  fi
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
mkdir -p "$shots"
shots=$(cd "$shots" && pwd)

step() { echo "== $*"; }
fail() { echo "FALHOU: $*" >&2; exit 1; }

# A display of its own (Xvfb picks a free number), its window manager, and nothing else on it.
Xvfb -displayfd 5 -screen 0 1280x720x24 -nolisten tcp 5>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || fail "o Xvfb não iniciou"
export DISPLAY=":$(cat "$work/display")"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
unset QT_QPA_PLATFORM

"$bin/erp-db" demo --db "sqlite:$work/erp.db" --assets 300 >/dev/null 2>&1
head -c 16 /dev/urandom | od -An -tx1 | tr -d ' \n' > "$work/token"
mkfifo "$work/out"
"$bin/zmt02600-server" --db "sqlite:$work/erp.db" --token-file "$work/token" --port 0 >"$work/out" 2>"$work/server.log" &
pids+=($!)
exec 3<"$work/out"
read -r first <&3
address=${first#listening on }

sql() { python3 -c 'import sqlite3, sys
rows = sqlite3.connect(sys.argv[1]).execute(sys.argv[2]).fetchall()
print("\n".join("|".join(str(v) for v in r) for r in rows))' "$work/erp.db" "$1"; }

# Waits for a visible window whose title matches, and gives its id.
window() {
  local id
  for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1) && [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.05
  done
  fail "a janela \"$1\" não apareceu"
}
gone() {
  for _ in $(seq 200); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.05
  done
  fail "a janela \"$1\" não fechou"
}
# Keys go to whatever has the focus, as a clerk's keyboard does.
keys() { xdotool key --delay 60 "$@"; sleep 0.3; }
typed() { xdotool type --delay 40 "$1"; sleep 0.2; }
shot() { sleep 0.3; "$bin/erp-screen-grab" "$shots/$1"; }
# The window that has the focus must be the one named.
focused() {
  local name
  name=$(xdotool getwindowfocus getwindowname 2>/dev/null || true)
  [[ "$name" == $1 ]] || fail "esperava o foco em \"$1\", está em \"$name\""
}
transfers() { sql "SELECT COUNT(*) FROM ITCAPAOPERABEM"; }

step "entrada no sistema"
"$bin/erp-shell" --db "sqlite:$work/erp.db" --server "$address" --token-file "$work/token" \
  --open ZMT02600 >"$work/shell.log" 2>&1 &
pids+=($!)
window "Entrada no sistema" >/dev/null
focused "Entrada no sistema"
typed 1; keys Tab           # the operator's code, padded when left
typed demo1234
shot 00-entrada.png
keys Return
screen=$(window "^Transferência Física$")
sleep 0.5
focused "Transferência Física"
shot 01-tela-inicial.png

step "empresa e bem com Enter; o bem pela pesquisa, com Down e Enter"
typed 1
keys Return
keys F4
window "^Bem Ativo$" >/dev/null
typed 10000
keys Down
shot 02-pesquisa-do-bem.png
keys Return
gone "^Bem Ativo$"
keys Return
sleep 0.5
shot 03-lista.png
before=$(transfers)

step "Incluir e digitar em seguida; uma recusa fechada com Enter volta ao campo"
keys Insert
typed "$(date +%d%m%Y)"     # straight into the operation date, which comes selected
keys Return
typed 1; keys Return        # operation type
typed 3; keys Return        # motive
typed 99; keys Return       # a branch that does not exist
window "^ERP - Patrimônio$" >/dev/null
shot 04-recusa.png
keys Return
gone "^ERP - Patrimônio$"
focused "Transferência Física"
keys ctrl+a BackSpace
typed 3; keys Return        # Santos
typed 1; keys Return        # cost centre
typed 1; keys Return        # sector
shot 05-nova-transferencia.png

step "Escape cancela, com a pergunta"
keys Escape
window "^ERP - Patrimônio$" >/dev/null
shot 06-cancelar.png
keys Return
gone "^ERP - Patrimônio$"
[ "$(transfers)" = "$before" ] || fail "o cancelamento gravou uma transferência"

step "Confirmar com F10"
keys Insert
keys Return
typed 1; keys Return
typed 3; keys Return
typed 3; keys Return
typed 1; keys Return
typed 1; keys Return
keys F10
sleep 1
shot 07-confirmada.png
if xdotool search --onlyvisible --name "^ERP - Patrimônio$" >/dev/null 2>&1; then
  fail "a confirmação foi recusada (veja 07-confirmada.png)"
fi
for _ in $(seq 100); do [ "$(transfers)" = "$((before + 1))" ] && break; sleep 0.1; done
[ "$(transfers)" = "$((before + 1))" ] || fail "a transferência não foi gravada ($(transfers) itens, antes $before)"
where=$(sql "SELECT b.CDPATRIBEMATIVO, b.CDFILIAL FROM BEMATIVO b WHERE b.CDEMPRESA = '01' AND b.CDPATRIBEMATIVO = '100002'")
[ "$where" = "100002|0003" ] || fail "o bem 100002 devia estar na filial 0003: $where"
echo "ok: capturas em $shots"
