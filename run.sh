#!/usr/bin/env bash
# Installs what is missing, builds, lays out a demo program folder and starts
# the program in it.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
source "$root/tools/setup-common.sh"
hsa_install_packages
hsa_build "$root" "$root/build" wendra_pruefer
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
  echo "Keine grafische Oberfläche gefunden (DISPLAY ist nicht gesetzt): das Programm kann hier nicht starten." >&2
  exit 1
fi
demo="$root/demo"
if [ ! -d "$demo" ]; then
  mkdir -p "$demo"
  cp -r "$root/data/." "$demo/"
fi
cd "$demo"
exec "$root/build/src/app/wendra_pruefer" "$@"
