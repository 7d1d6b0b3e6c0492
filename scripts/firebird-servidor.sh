#!/usr/bin/env bash
# A private Firebird server for the shared-database tests: loopback only, a free port, a SYSDBA
# password of its own, and its own configuration, lock, temporary and security files in a
# temporary folder (no system service is used or changed).
#
#   eval "$(scripts/firebird-servidor.sh iniciar)"   # exports PORTARIS_FB_SERVIDOR, PORTARIS_FB_SENHA,
#                                                     # PORTARIS_FB_PID and PORTARIS_FB_PASTA
#   scripts/firebird-servidor.sh parar "$PORTARIS_FB_PASTA"
#   scripts/firebird-servidor.sh reiniciar "$PORTARIS_FB_PASTA"   # killed outright, then up again
#                                                                 # on the same port; prints the new pid
set -euo pipefail

RAIZ=/usr/lib/x86_64-linux-gnu/firebird/3.0
SERVIDOR=/usr/sbin/firebird
SEGURANCA=/var/lib/firebird/3.0/system/security3.fdb

porta_livre() {
  local p
  for _ in $(seq 1 50); do
    p=$((20000 + RANDOM % 20000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then echo "$p"; return 0; fi
  done
  return 1
}

iniciar() {
  for f in "$SERVIDOR" "$SEGURANCA" "$RAIZ/firebird.msg"; do
    [ -e "$f" ] || { echo "firebird-servidor: $f ausente (pacote firebird3.0-server)" >&2; exit 1; }
  done
  local pasta porta senha
  pasta=$(mktemp -d /tmp/portaris-fb.XXXXXX)
  porta=$(porta_livre)
  senha=$(head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n' | head -c 16)
  mkdir -p "$pasta/lock" "$pasta/tmp"
  for item in firebird.msg intl plugins UDF lib plugins.conf fbtrace.conf; do
    [ -e "$RAIZ/$item" ] && ln -s "$(readlink -f "$RAIZ/$item")" "$pasta/$item"
  done
  cp "$SEGURANCA" "$pasta/security3.fdb"
  chmod 600 "$pasta/security3.fdb"
  cat > "$pasta/firebird.conf" <<CONF
RemoteServicePort = $porta
RemoteBindAddress = 127.0.0.1
ServerMode = Super
SecurityDatabase = $pasta/security3.fdb
UdfAccess = None
CONF
  cat > "$pasta/databases.conf" <<CONF
security.db = $pasta/security3.fdb
CONF
  export FIREBIRD="$pasta" FIREBIRD_LOCK="$pasta/lock" FIREBIRD_TMP="$pasta/tmp"
  printf "create or alter user SYSDBA password '%s' using plugin Srp;\ncommit;\n" "$senha" |
    isql-fb -q -user SYSDBA "$pasta/security3.fdb" >"$pasta/isql.log" 2>&1 ||
    { cat "$pasta/isql.log" >&2; rm -rf "$pasta"; exit 1; }
  local pid
  pid=$(subir "$pasta" "$porta") || { parar "$pasta"; exit 1; }
  echo "export PORTARIS_FB_SERVIDOR=127.0.0.1/$porta PORTARIS_FB_SENHA=$senha PORTARIS_FB_PID=$pid PORTARIS_FB_PASTA=$pasta"
}

# Starts the server of `pasta` and prints its pid once the port answers.
subir() {
  local pasta=$1 porta=$2
  export FIREBIRD="$pasta" FIREBIRD_LOCK="$pasta/lock" FIREBIRD_TMP="$pasta/tmp"
  setsid "$SERVIDOR" >>"$pasta/servidor.log" 2>&1 < /dev/null &
  local pid=$!
  echo "$pid" >"$pasta/pid"
  for _ in $(seq 1 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$porta") 2>/dev/null; then
      echo "$pid"
      return 0
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "firebird-servidor: o servidor não respondeu na porta $porta" >&2
  cat "$pasta/servidor.log" >&2 || true
  return 1
}

reiniciar() {
  local pasta=${1:?pasta do servidor}
  case "$pasta" in /tmp/portaris-fb.*) ;; *) echo "firebird-servidor: pasta inesperada $pasta" >&2; exit 1 ;; esac
  local pid porta
  pid=$(cat "$pasta/pid")
  porta=$(sed -n 's/^RemoteServicePort = //p' "$pasta/firebird.conf")
  kill -9 "$pid" 2>/dev/null || true
  for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  rm -f "$pasta"/lock/* 2>/dev/null || true
  subir "$pasta" "$porta"
}

parar() {
  local pasta=${1:?pasta do servidor}
  [ -d "$pasta" ] || return 0
  case "$pasta" in /tmp/portaris-fb.*) ;; *) echo "firebird-servidor: pasta inesperada $pasta" >&2; exit 1 ;; esac
  if [ -f "$pasta/pid" ]; then
    local pid
    pid=$(cat "$pasta/pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -rf "$pasta"
}

case "${1:-}" in
  iniciar) iniciar ;;
  parar) parar "${2:-}" ;;
  reiniciar) reiniciar "${2:-}" ;;
  *) echo "uso: $0 iniciar | parar PASTA | reiniciar PASTA" >&2; exit 2 ;;
esac
