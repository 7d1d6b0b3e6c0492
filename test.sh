#!/usr/bin/env bash
# Installs what is missing, builds the test tree and runs every test with CTest.
set -euo pipefail
cd "$(dirname "$0")"
RAIZ=$(pwd)
. scripts/pacotes.sh
instalar_pacotes "${PACOTES_PROGRAMA[@]}" "${PACOTES_TESTES[@]}"

BUILD=${PORTARIS_BUILD_TESTES:-build-test}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPORTARIS_WERROR=ON \
      -DPORTARIS_SANITIZE=${PORTARIS_SANITIZE:-ON} >/dev/null
cmake --build "$BUILD"

# The shared-database tests talk to a private Firebird server, stopped on every way out.
eval "$(scripts/firebird-servidor.sh iniciar)"
trap '"$RAIZ"/scripts/firebird-servidor.sh parar "$PORTARIS_FB_PASTA" || true' EXIT

cd "$BUILD"
ctest --output-on-failure -j "$(nproc)" "$@"
