#!/usr/bin/env bash
# ./run.sh --demo: the console on a demonstration installation, its devices played by portaris-sim.
# Installed as portaris-demonstracao it uses the programs beside it; in a source tree, build/bin (run.sh
# builds them first).
set -euo pipefail
aqui=$(cd "$(dirname "$0")" && pwd)
if [ -x "$aqui/portaris" ] && [ -x "$aqui/portaris-sim" ]; then
  bin=$aqui
else
  bin=$(cd "$aqui/../.." && pwd)/build/bin
fi
for p in portaris portaris-demo portaris-sim lembretes; do
  [ -x "$bin/$p" ] || { echo "Falta $bin/$p: rode ./run.sh --demo para compilar." >&2; exit 1; }
done

export PORTARIS_HOME="${PORTARIS_DEMO_HOME:-$HOME/Portaris-demo}"
mkdir -p "$PORTARIS_HOME"

# The embedded engine opens a database for one process only, unless every process runs it in
# SuperClassic mode: the console and the messages program share the demonstration's database.
if [ -d /etc/firebird/3.0 ]; then
  fbconf="$PORTARIS_HOME/firebird"
  if [ ! -f "$fbconf/firebird.conf" ]; then
    mkdir -p "$fbconf"
    for f in /etc/firebird/3.0/*.conf; do
      if [ -r "$f" ]; then cp "$f" "$fbconf/"; fi
    done
    printf '\n# Written by the Portaris demonstration: several processes share a local database.\nServerMode = SuperClassic\n' \
      >>"$fbconf/firebird.conf"
  fi
  export FIREBIRD="$fbconf"
fi

if [ ! -e "$PORTARIS_HOME/ptconfig.ini" ]; then
  "$bin/portaris-demo"
  echo
fi

sim_pid=""
console_pid=""
encerrar() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap encerrar EXIT
interromper() {
  # Ctrl-C: the console goes too (it ignores SIGINT as a background job).
  if [ -n "$console_pid" ] && kill -0 "$console_pid" 2>/dev/null; then
    kill -TERM "$console_pid" 2>/dev/null || true
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      kill -0 "$console_pid" 2>/dev/null || break
      sleep 0.5
    done
    kill -0 "$console_pid" 2>/dev/null && kill -KILL "$console_pid" 2>/dev/null || true
  fi
  exit 130
}
trap interromper INT TERM

# The simulator: COM1 the door reader, COM2 the gate reader, COM3 the controller.
coproc SIM { exec "$bin/portaris-sim" COM1:qx71:200 COM2:qx64ax:171 COM3:qx64c:130 2>>"$PORTARIS_HOME/simulador.log"; }
sim_pid=$SIM_PID
sim_in=${SIM[1]}
sim_out=${SIM[0]}
portas=()
while :; do
  if ! IFS= read -r -t 10 linha <&"$sim_out"; then
    echo "O simulador não ficou pronto (veja $PORTARIS_HOME/simulador.log)." >&2
    exit 1
  fi
  case "$linha" in
    PRONTO) break ;;
    COM[1-9]=*) portas+=("$linha") ;;
  esac
done
"$bin/portaris-demo" --portas "${portas[@]}"

"$bin/portaris" >>"$PORTARIS_HOME/portaris.out" 2>&1 &
console_pid=$!

cat <<'EOF'

Portaris iniciado com a demonstração (usuário admin, senha admin).
Digite comandos do simulador abaixo (por exemplo "cartao COM1 200 00001A2B3C", "registros 5");
"sair" ou Ctrl-D fecha este console; o simulador segue até o Portaris fechar.
EOF
printf 'sim> '
while kill -0 "$console_pid" 2>/dev/null; do
  if IFS= read -r -t 1 comando; then
    case "$comando" in
      sair) break ;;
      "") ;;
      *)
        if ! kill -0 "$sim_pid" 2>/dev/null || ! printf '%s\n' "$comando" >&"$sim_in" 2>/dev/null; then
          echo "O simulador parou (veja $PORTARIS_HOME/simulador.log)." >&2
          break
        fi
        while IFS= read -r -t 0.3 resposta <&"$sim_out"; do printf '  %s\n' "$resposta"; done
        ;;
    esac
    printf 'sim> '
  elif [ $? -le 128 ]; then
    break # end of input
  fi
done
echo
if kill -0 "$console_pid" 2>/dev/null; then
  echo "Aguardando o Portaris fechar..."
  wait "$console_pid" || true
fi
echo "Portaris encerrado; parando o simulador."
