# Sourced by run.sh and test.sh: installs the Debian packages the build and the program need.
# Idempotent: asks apt only when something is missing.

PACOTES_PROGRAMA=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev libqt6svg6 libgl1-mesa-dev
  firebird-dev libfbclient2 firebird3.0-server-core firebird3.0-utils
  fonts-liberation
)
# The tests also need the Firebird server for the shared-database cases.
# The reports tests read the files they write back with poppler (PDF), Python (HTML) and unrtf (RTF);
# the installation test checks the package with lintian.
PACOTES_TESTES=(firebird3.0-server poppler-utils python3 unrtf desktop-file-utils dpkg-dev lintian)

como_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

instalar_pacotes() {
  local faltam=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || faltam+=("$p")
  done
  [ ${#faltam[@]} -eq 0 ] && return 0
  echo "Instalando: ${faltam[*]}"
  como_root apt-get update -q
  como_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${faltam[@]}"
}
