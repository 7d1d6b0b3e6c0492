#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what a station gets: the programs, valid menu
# and autostart entries, the icon; then builds the Debian package and checks its declared needs.
#   scripts/testar-instalacao.sh BUILD_DIR
set -euo pipefail
build=${1:?pasta do build}
prefixo=$(mktemp -d /tmp/portaris-instalacao.XXXXXX)
trap 'rm -rf "$prefixo"' EXIT

cmake --install "$build" --prefix "$prefixo/usr" >/dev/null
falhas=0
for p in portaris portaris-sim lembretes portaris-demo portaris-remoto portaris-demonstracao; do
  [ -x "$prefixo/usr/bin/$p" ] || { echo "instalação: falta bin/$p"; falhas=$((falhas + 1)); }
done
for d in share/applications/portaris.desktop share/portaris/autostart/portaris.desktop; do
  desktop-file-validate "$prefixo/usr/$d" || { echo "instalação: $d inválido"; falhas=$((falhas + 1)); }
done
[ -f "$prefixo/usr/share/icons/hicolor/scalable/apps/portaris.svg" ] || { echo "instalação: falta o ícone"; falhas=$((falhas + 1)); }

# The installed console's first start: a missing program folder is made with its local database; one it
# cannot make is named on standard error. The console waits at its login (or its error box) until stopped.
partida() { # HOME_DA_ESTACAO CONDIÇÃO: runs until the shell condition holds (at most 60 s); stderr in partida.txt
  env -u DISPLAY QT_QPA_PLATFORM=offscreen PORTARIS_HOME="$1" PORTARIS_ESTACAO=0000BEEF \
    ASAN_OPTIONS=detect_leaks=0 LD_LIBRARY_PATH="$prefixo/usr/lib" FIREBIRD_LOCK="$prefixo/trava" \
    "$prefixo/usr/bin/portaris" >/dev/null 2>"$prefixo/partida.txt" &
  local pid=$! i
  for i in $(seq 1 120); do
    eval "$2" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  # Its usual close first (it answers SIGTERM at the login window); a console that cannot, such as
  # one holding its start-up error box, is killed. Its own lock folder keeps a kill from touching the
  # engine state of the other tests' databases.
  kill -TERM "$pid" 2>/dev/null || true
  for i in $(seq 1 20); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.5
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
casa="$prefixo/casa/estacao"
partida "$casa" '[ -e "$casa/portaris.fdb" ]' # renamed into place only when whole
for f in portaris.fdb AreaTemp Relatorios Sons copia; do
  [ -e "$casa/$f" ] || { echo "primeira partida: falta $f em PORTARIS_HOME"; cat "$prefixo/partida.txt"; falhas=$((falhas + 1)); }
done
[ -e "$casa/portaris.fdb.criando" ] && { echo "primeira partida: sobrou o banco parcial"; falhas=$((falhas + 1)); }

# A station installed before schema versions existed: its folder keeps a version-1 database (made
# here from that version's own scripts, taken from the history) with a holder of its own; the new
# package's first start copies it and brings it to this program's version, the holder kept.
raiz=$(cd "$(dirname "$0")/.." && pwd)
v1=658e860664c13a7fe57368179d494e135d44b0d0
sql() { # [BANCO]: runs standard input through the embedded engine
  FIREBIRD_LOCK="$prefixo/trava" isql-fb -q -b -user SYSDBA -password masterkey ${1:+"$1"} 2>&1
}
if git -C "$raiz" cat-file -e "$v1^{commit}" 2>/dev/null; then
  antiga="$prefixo/casa/antiga"
  mkdir -p "$antiga"
  {
    echo "CREATE DATABASE '$antiga/portaris.fdb' PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8;"
    for f in $(git -C "$raiz" ls-tree --name-only "$v1" src/db/schema/ | grep '\.sql$'); do
      git -C "$raiz" show "$v1:$f"
      echo
    done
    echo "INSERT INTO USUARIO (CHAVE, CARTAO, NOME, GRUPO) VALUES (77, '0000000077', 'Morador antigo', 'Geral');"
    echo "COMMIT;"
  } | sql >"$prefixo/v1.txt" ||
    { echo "versão 1: banco não criado"; cat "$prefixo/v1.txt"; falhas=$((falhas + 1)); }
  versao=$(grep -o 'VersaoEsquema = [0-9]*' "$raiz/src/db/Esquema.h" | grep -o '[0-9]*$')
  partida "$antiga" 'grep -q "Esquema do banco de dados na versão $versao " "$antiga/Portaris.log" 2>/dev/null'
  ls "$antiga"/copia/antes-da-atualizacao-v1-v"$versao"-*.FBK >/dev/null 2>&1 ||
    { echo "atualização: sem a cópia anterior em copia/"; cat "$prefixo/partida.txt" "$antiga/Portaris.log"; falhas=$((falhas + 1)); }
  lido=$(echo "SELECT 'versao=' || VERSAO FROM VERSAO_ESQUEMA; SELECT 'nome=' || NOME FROM USUARIO WHERE CHAVE = 77;" |
    sql "$antiga/portaris.fdb")
  grep -q "versao=$versao" <<<"$lido" && grep -q "nome=Morador antigo" <<<"$lido" ||
    { echo "atualização: banco não ficou na versão $versao com o morador"; echo "$lido"; falhas=$((falhas + 1)); }
else
  echo "instalação: a versão 1 do esquema não está no histórico deste clone; atualização não conferida"
fi

: >"$prefixo/arquivo"
partida "$prefixo/arquivo/Portaris" 'grep -q "pasta do programa" "$prefixo/partida.txt"'
grep -q "Não foi possível criar a pasta do programa $prefixo/arquivo/Portaris" "$prefixo/partida.txt" ||
  { echo "partida sem pasta: mensagem ausente"; cat "$prefixo/partida.txt"; falhas=$((falhas + 1)); }

(cd "$build" && cpack -G DEB -B "$prefixo/pacote" >/dev/null)
deb=$(ls "$prefixo"/pacote/portaris_*_amd64.deb 2>/dev/null | head -1)
if [ -z "$deb" ]; then
  echo "pacote: nenhum portaris_*_amd64.deb"; falhas=$((falhas + 1))
else
  depende=$(dpkg-deb --field "$deb" Depends)
  for d in libfbclient2 firebird3.0-server-core fonts-liberation qt6-qpa-plugins libqt6widgets6 libqt6multimedia6; do
    grep -q "$d" <<<"$depende" || { echo "pacote: Depends sem $d"; falhas=$((falhas + 1)); }
  done
  conteudo=$(dpkg-deb --contents "$deb")
  grep -q "\./usr/bin/portaris$" <<<"$conteudo" || { echo "pacote: sem usr/bin/portaris"; falhas=$((falhas + 1)); }
  # What Debian's own tools say of the package: no error, no warning.
  if command -v lintian >/dev/null; then
    lintian --tag-display-limit 0 --fail-on error,warning "$deb" 2>/dev/null >"$prefixo/lintian.txt" ||
      { echo "pacote: lintian"; cat "$prefixo/lintian.txt"; falhas=$((falhas + 1)); }
  else
    echo "pacote: lintian não instalado"; falhas=$((falhas + 1))
  fi
fi
[ "$falhas" -eq 0 ] && echo "instalação e pacote: ok"
exit "$falhas"
