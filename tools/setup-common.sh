# Sourced by run.sh and test.sh: installs the Debian packages the project needs
# (only those that are missing) and builds the project.  Every step that fails
# says which step it was and how to try again; nothing ends without a word.
set -Eeuo pipefail
# A command that fails outside the named steps still says so before the end.
trap 'hsa_status=$?; echo "Einrichtung abgebrochen: \"$BASH_COMMAND\" endete mit Status $hsa_status. Bitte erneut aufrufen: $HSA_ENTRY" >&2' ERR

# One list for both scripts: the desktop word processor opens the certificate
# attachments and converts headless for printing.  Its -nogui core conflicts
# with the desktop one, so no script may ask for the other variant.  Xvfb,
# a window manager and the screenshot tools let the windows be looked at on a
# machine without a screen.
HSA_PACKAGES=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev libgl1-mesa-dev qt6-translations-l10n
  zlib1g-dev
  libshp-dev shapelib
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation
  zip unzip p7zip-full ziptool
  poppler-utils
  libpugixml-dev libreoffice-writer xdg-utils cups-client python3-docx
  xchm
  python3 python3-dbfread
  libssl-dev
  clang
  xvfb xauth openbox imagemagick xdotool
  ccache
)

# The command that started the set-up, for the "try again" hint.
HSA_ENTRY="${HSA_ENTRY:-./$(basename "${0:-test.sh}")}"

# hsa_fail STEP: names the failed step and the way to retry, then ends.
hsa_fail() {
  echo "" >&2
  echo "Einrichtung abgebrochen beim Schritt: $1" >&2
  echo "Bitte die Meldungen oben prüfen und danach erneut aufrufen: $HSA_ENTRY" >&2
  exit 1
}

# hsa_step STEP COMMAND...: runs the command; a failure names the step.
hsa_step() {
  local step="$1"
  shift
  "$@" || hsa_fail "$step"
}

# hsa_missing_packages: prints, one a line, every listed package that dpkg
# does not hold as installed.  dpkg-query fails when it knows a name not at
# all (the usual case on a fresh machine), so its status is no verdict: only
# the lines it prints count.
hsa_missing_packages() {
  local installed
  installed="$(dpkg-query -W -f='${Package} ${Status}\n' "${HSA_PACKAGES[@]}" 2>/dev/null || true)"
  installed="$(awk '/install ok installed/ {sub(/:.*/, "", $1); print $1}' <<<"$installed")"
  local p
  for p in "${HSA_PACKAGES[@]}"; do
    if ! grep -qxF -- "$p" <<<"$installed"; then
      printf '%s\n' "$p"
    fi
  done
}

hsa_install_packages() {
  local missing=()
  mapfile -t missing < <(hsa_missing_packages)
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installiere fehlende Pakete: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "Zum Installieren werden Administratorrechte gebraucht (root oder sudo)." >&2
      hsa_fail "Pakete installieren"
    fi
    sudo=(sudo)
  fi
  hsa_step "Paketlisten aktualisieren (apt-get update)" "${sudo[@]}" apt-get update -qq
  # sudo would drop the variable from the environment; as its argument it stays.
  if [ ${#sudo[@]} -gt 0 ]; then
    hsa_step "Pakete installieren (apt-get install ${missing[*]})" \
      sudo DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  else
    DEBIAN_FRONTEND=noninteractive hsa_step "Pakete installieren (apt-get install ${missing[*]})" \
      apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
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
    if ! cmake -S "$root" -B "$build" -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" >/dev/null; then
      # A half-written cache would make the next run skip configuring.
      rm -f "$build/CMakeCache.txt"
      hsa_fail "Erstellung vorbereiten (cmake in $build)"
    fi
  fi
  # The build itself reconfigures when a CMake file or a source folder changed.
  local started="$build/.hsa-build-started"
  touch "$started"
  hsa_step "Programm übersetzen (cmake --build $build)" \
    cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
  mv -f "$started" "$stamp"
}
