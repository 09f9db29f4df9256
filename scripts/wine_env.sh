# Sourced: a private, quiet Wine prefix under build/, so runs never touch the user's own.
# QUENDLE_WINE is the loader to run programs with: Debian's `wine`, or the 64-bit loader alone on
# a machine whose kernel refuses 32-bit programs (there QUENDLE_WINE32=no: only 64-bit ones run).
export WINEPREFIX="${WINEPREFIX:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  export QUENDLE_WINE=wine QUENDLE_WINE32=yes
else
  export QUENDLE_WINE=/usr/lib/wine/wine64 QUENDLE_WINE32=no
  export WINELOADER=/usr/lib/wine/wine64
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$QUENDLE_WINE" wineboot --init >/dev/null 2>&1 || true
  wineserver --wait || true
fi
if [ ! -f "$WINEPREFIX/.quendle-prefix" ]; then
  "$QUENDLE_WINE" regedit /S "$("$QUENDLE_WINE" winepath -w "$(dirname "${BASH_SOURCE[0]}")/wine/prefix.reg")" \
    >/dev/null 2>&1 && touch "$WINEPREFIX/.quendle-prefix"
fi
