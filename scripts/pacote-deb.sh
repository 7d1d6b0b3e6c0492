#!/usr/bin/env bash
# Builds the station's Debian package from a Release build: build-pacote/portaris_<version>_amd64.deb.
# Install it on a station with: sudo apt-get install ./build-pacote/portaris_*_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/pacotes.sh
instalar_pacotes "${PACOTES_PROGRAMA[@]}" dpkg-dev
cmake -S . -B build-pacote -G Ninja -DCMAKE_BUILD_TYPE=Release -DPORTARIS_TESTS=OFF -DPORTARIS_BENCH=OFF >/dev/null
cmake --build build-pacote
(cd build-pacote && cpack -G DEB)
ls build-pacote/portaris_*_amd64.deb
