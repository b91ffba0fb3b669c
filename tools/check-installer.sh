#!/usr/bin/env bash
# Proves that the set-up installs what is missing instead of stopping early:
# with a stand-in apt-get first on PATH and a package list holding a name no
# machine has, hsa_install_packages must name that package, hand it to
# apt-get, and return.  Needs no network and no root.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/bin"
for tool in apt-get sudo; do
  cat >"$work/bin/$tool" <<STUB
#!/usr/bin/env bash
printf '%s\n' "$tool \$*" >>"$work/calls.log"
if [ "$tool" = sudo ]; then
  while [ \$# -gt 0 ] && [[ "\$1" == *=* ]]; do shift; done
  exec "\$@"
fi
exit 0
STUB
  chmod +x "$work/bin/$tool"
done

missing="hsa-no-such-package-$$"
out="$(
  PATH="$work/bin:$PATH" bash -c '
    source "$1/tools/setup-common.sh"
    HSA_PACKAGES=(bash "$2")
    hsa_install_packages
    echo "installer returned"
  ' _ "$root" "$missing" 2>&1
)" || { echo "Installer-Prüfung: hsa_install_packages brach ab:"; echo "$out"; exit 1; }

fail=0
grep -q "Installiere fehlende Pakete: $missing" <<<"$out" || { echo "Installer-Prüfung: das fehlende Paket wird nicht genannt."; fail=1; }
grep -q "installer returned" <<<"$out" || { echo "Installer-Prüfung: hsa_install_packages kehrte nicht zurück."; fail=1; }
grep -q "^apt-get update" "$work/calls.log" 2>/dev/null || { echo "Installer-Prüfung: apt-get update wurde nicht aufgerufen."; fail=1; }
grep -q "^apt-get install .*$missing" "$work/calls.log" 2>/dev/null || { echo "Installer-Prüfung: apt-get install bekam das fehlende Paket nicht."; fail=1; }
if grep -q "^apt-get install .* bash\( \|$\)" "$work/calls.log" 2>/dev/null; then
  echo "Installer-Prüfung: ein installiertes Paket wurde erneut angefordert."; fail=1
fi
if [ "$fail" -ne 0 ]; then
  echo "--- Ausgabe ---"; echo "$out"; echo "--- Aufrufe ---"; cat "$work/calls.log" 2>/dev/null || true
  exit 1
fi
echo "Installer-Prüfung bestanden: fehlendes Paket genannt und an apt-get übergeben."
