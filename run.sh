#!/usr/bin/env bash
# Installs what is missing, builds, and starts the Portaris console.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/pacotes.sh
instalar_pacotes "${PACOTES_PROGRAMA[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPORTARIS_TESTS=OFF -DPORTARIS_BENCH=OFF >/dev/null
cmake --build build

# ./run.sh --demo: a demonstration installation with simulated devices.
if [ "${1:-}" = "--demo" ]; then
  exec tools/demo/demo.sh
fi

# First start: the configured local database is created (an existing one is left alone).
build/bin/portaris --criar-banco 2>/dev/null || true

exec build/bin/portaris "$@"
