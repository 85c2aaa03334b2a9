# Sourced by every script that runs the Windows build under Wine: the loader, the prefix
# and the quiet settings they share. Gives $HOARDIUM_WINE (the loader to run programs with),
# $HOARDIUM_WINEARCH (win32 or win64, also the name of the build preset to test with) and
# wine_prefix_ready.
#
# The program is 32-bit. Some kernels cannot start 32-bit programs at all (Wine's 32-bit
# half then fails with "Exec format error"); there the same sources are built for 64 bits
# and run by Wine's 64-bit loader, in a 64-bit prefix of their own.
hoardium_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ -z "${HOARDIUM_WINEARCH:-}" ]; then
  if /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; then
    HOARDIUM_WINEARCH=win32
  else
    HOARDIUM_WINEARCH=win64
  fi
fi
if [ "$HOARDIUM_WINEARCH" = win32 ]; then
  HOARDIUM_WINE=wine
  hoardium_default_prefix=$hoardium_root/build/wineprefix
else
  # Debian's wine command always prefers the 32-bit loader when it is installed.
  HOARDIUM_WINE=/usr/lib/wine/wine64
  export WINELOADER=$HOARDIUM_WINE
  hoardium_default_prefix=$hoardium_root/build/wineprefix64
fi
# HOARDIUM_WINEDEBUG turns Wine's own tracing on, for looking into a failure.
export HOARDIUM_WINEARCH HOARDIUM_WINE WINEARCH=$HOARDIUM_WINEARCH WINEDEBUG=${HOARDIUM_WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="${HOARDIUM_WINEPREFIX:-$hoardium_default_prefix}"

# Makes the prefix on first use; wineboot is run through the chosen loader, since its
# own command would pick the 32-bit one.
wine_prefix_ready() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$HOARDIUM_WINE" wineboot -i >/dev/null 2>&1 </dev/null
    wineserver -w
  fi
}
