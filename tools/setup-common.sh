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
  # One query for all packages: a start with nothing missing stays quick.
  local missing=() installed
  installed="$(dpkg-query -W -f='${Package} ${Status}\n' "${HSA_PACKAGES[@]}" 2>/dev/null | awk '/install ok installed/ {print $1}' | sed 's/:.*//')"
  for p in "${HSA_PACKAGES[@]}"; do
    if ! grep -qx -- "$p" <<<"$installed"; then
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
# (everything when none are named).  When no file of the source tree changed
# since the last build of the same targets, nothing runs at all: a start with
# nothing changed neither reconfigures nor relinks.
hsa_build() {
  local root="$1" build="$2"
  shift 2
  local targets=()
  for t in "$@"; do targets+=(--target "$t"); done
  local stamp="$build/.hsa-built-$(printf '%s' "${*:-all}" | tr -c 'A-Za-z0-9_' '_')"
  if [ -f "$build/CMakeCache.txt" ] && [ -f "$stamp" ] &&
     [ -z "$(find "$root/src" "$root/cmake" "$root/CMakeLists.txt" "$root/tools" "$root/tests" "$root/bench" \
               -newer "$stamp" -print -quit 2>/dev/null)" ]; then
    return 0
  fi
  # ccache keyed on paths relative to the checkout, so that other checkouts
  # of the project (and CI's fresh clone) reuse what was compiled before.
  if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
  fi
  if [ ! -f "$build/CMakeCache.txt" ]; then
    local launcher=()
    if command -v ccache >/dev/null; then
      launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    fi
    # HSA_CONFIGURE_ARGS: further cmake settings for this build folder.
    local extra=()
    read -r -a extra <<<"${HSA_CONFIGURE_ARGS:-}"
    cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" >/dev/null
  fi
  # The build itself reconfigures when a CMake file or a source folder changed.
  local started="$build/.hsa-build-started"
  touch "$started"
  cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
  mv -f "$started" "$stamp"
}
