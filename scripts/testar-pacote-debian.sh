#!/usr/bin/env bash
# By hand, as root: what an installer does on a new station. Makes a fresh Debian 12 (debootstrap, the
# host's package sources), installs the package there with apt-get, and starts the console the way the
# menu does (the Exec line of its desktop entry) as an ordinary user outside dialout, on a virtual
# display. Checks that the first start made the program folder and its database, that admin signs in,
# and that after a power cut (the console killed) the next start signs the same account in by itself.
# Keeps a screenshot of each step.
#   scripts/testar-pacote-debian.sh PACOTE.deb [PASTA_DO_SISTEMA]
set -euo pipefail
deb=$(realpath "${1:?o pacote portaris_*.deb}")
raiz=${2:-/tmp/debian-limpo}
tela=:97
saida=/tmp/debian-limpo-tela.png

command -v debootstrap >/dev/null || apt-get install -y -q debootstrap
command -v Xvfb >/dev/null || apt-get install -y -q xvfb
command -v import >/dev/null || apt-get install -y -q imagemagick
command -v xdotool >/dev/null || apt-get install -y -q xdotool

if [ ! -x "$raiz/usr/bin/apt-get" ]; then
  debootstrap --variant=minbase bookworm "$raiz"
fi
# The same sources and settings as this machine's own apt.
cp /etc/apt/sources.list.d/debian.sources "$raiz/etc/apt/sources.list.d/" 2>/dev/null || true
cp /etc/apt/apt.conf.d/99* "$raiz/etc/apt/apt.conf.d/" 2>/dev/null || true

montados=()
montar() { mkdir -p "$raiz$1"; mount --bind "$1" "$raiz$1"; montados=("$raiz$1" "${montados[@]}"); }
Xvfb "$tela" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; for m in "${montados[@]}"; do umount -l "$m"; done' EXIT
montar /proc
montar /dev
montar /tmp/.X11-unix

cp "$deb" "$raiz/tmp/"
chroot "$raiz" apt-get update -q
chroot "$raiz" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "/tmp/$(basename "$deb")"
chroot "$raiz" id porteiro >/dev/null 2>&1 || chroot "$raiz" useradd -m -s /bin/bash porteiro

entrada=$raiz/usr/share/applications/portaris.desktop
comando=$(sed -n 's/^Exec=//p' "$entrada" | sed 's/ %[fFuU]//g')
echo "entrada do menu: $(sed -n 's/^Name=//p' "$entrada") → $comando"
iniciar() { chroot "$raiz" su - porteiro -c "DISPLAY=$tela $comando" >>"$raiz/tmp/console.txt" 2>&1 & }
parar() { # SINAL: only the console of the new system
  local p
  for p in $(pgrep -f "^$comando\$"); do
    [ "$(readlink "/proc/$p/root")" = "$(realpath "$raiz")" ] && kill "-$1" "$p" 2>/dev/null
  done
  return 0
}
: >"$raiz/tmp/console.txt"
iniciar
for _ in $(seq 1 60); do
  [ -f "$raiz/home/porteiro/Portaris/portaris.fdb" ] && break
  sleep 1
done
sleep 8
DISPLAY=$tela import -window root "${saida%.png}-login.png"
# The first operator signs in with the account every new database has (admin / admin).
export DISPLAY=$tela
xdotool mousemove 640 371 click 1 sleep 0.5 key Down Return sleep 0.5
xdotool mousemove 640 449 click 1 type admin
xdotool key Return sleep 5 key Return sleep 3
import -window root "$saida"

falhas=0
# A power cut: the console dies without logging off. Started again (as the session's autostart does),
# it signs the same account in by itself and says so in its caption.
parar KILL
sleep 2
iniciar
sleep 15
if xdotool search --name "MODO DE AUTO INICIALIZA" >/dev/null; then
  echo "depois da queda: entrou sozinho (modo de auto inicialização)"
else
  echo "depois da queda: não entrou sozinho"; falhas=$((falhas + 1))
fi
import -window root "${saida%.png}-queda.png"
parar TERM
sleep 3
parar KILL

for f in portaris.fdb AreaTemp Relatorios Sons copia; do
  [ -e "$raiz/home/porteiro/Portaris/$f" ] || { echo "falta ~porteiro/Portaris/$f"; falhas=$((falhas + 1)); }
done
echo "saída do console:"; cat "$raiz/tmp/console.txt"
echo "telas: ${saida%.png}-login.png $saida ${saida%.png}-queda.png"
[ "$falhas" -eq 0 ] && echo "pacote num Debian novo: ok"
exit "$falhas"
