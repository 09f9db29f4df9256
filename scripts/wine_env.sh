# Sourced: a private, quiet Wine prefix under build/, so runs never touch the user's own.
export WINEPREFIX="${WINEPREFIX:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  wineserver --wait || true
fi
if [ ! -f "$WINEPREFIX/.quendle-prefix" ]; then
  wine regedit /S "$(winepath -w "$(dirname "${BASH_SOURCE[0]}")/wine/prefix.reg")" >/dev/null 2>&1 &&
    touch "$WINEPREFIX/.quendle-prefix"
fi
