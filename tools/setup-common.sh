# Sourced by run.sh and test.sh: installs the Debian packages the project needs
# (only those that are missing) and builds the project.
set -euo pipefail

HSA_PACKAGES=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev libgl1-mesa-dev qt6-translations-l10n
  zlib1g-dev
  libshp-dev shapelib
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation
  zip unzip p7zip-full ziptool
  poppler-utils
  libpugixml-dev libreoffice-writer-nogui cups-client python3-docx
  python3 python3-dbfread
  libssl-dev
  clang
  xvfb xauth
  ccache
)

hsa_install_packages() {
  local missing=()
  for p in "${HSA_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installiere fehlende Pakete: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# hsa_build ROOT BUILD [TARGET...]: configures once, then builds the targets
# (everything when none are named).
hsa_build() {
  local root="$1" build="$2"
  shift 2
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  local gen=()
  if [ ! -f "$build/CMakeCache.txt" ]; then
    gen=(-G Ninja)
  fi
  # ccache keyed on paths relative to the checkout, so that other checkouts
  # of the project (and CI's fresh clone) reuse what was compiled before.
  local launcher=()
  if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  fi
  # HSA_CONFIGURE_ARGS: further cmake settings for this build folder.
  local extra=()
  read -r -a extra <<<"${HSA_CONFIGURE_ARGS:-}"
  cmake -S "$root" -B "$build" "${gen[@]}" "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" >/dev/null
  cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
}
