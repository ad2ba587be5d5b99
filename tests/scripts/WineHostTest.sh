#!/usr/bin/env bash
# scripts/lib.sh picks the Wine build by starting the 32-bit loader: the 32-bit
# build where it starts, the 64-bit one under wine64 where it cannot, or when
# TOLVANE_FORCE_WIN64=1 asks; the choice holds for the rest of the run.
source "$(dirname "$0")/../../scripts/lib.sh"
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
printf '#!/bin/sh\necho wine-8.0\n' >"$fake/starts"
printf '#!/bin/sh\necho "$0: cannot execute binary file: Exec format error" >&2\nexit 126\n' >"$fake/refused"
chmod +x "$fake/starts" "$fake/refused"
failures=0

# Chooses with the given loader and force setting, afresh unless told to keep the run's choice, then
# checks the choice.
expect() {
  [ "$1" = keep ] && shift || unset TOLVANE_WINE_ARCH
  local loader=$1 force=$2 arch=$3 wine=$4 why=$5
  TOLVANE_WINE32_LOADER=$fake/$loader TOLVANE_FORCE_WIN64=$force tolvane_choose_wine
  if [ "$TOLVANE_WINE_ARCH $TOLVANE_WINE" != "$arch $wine" ] || [[ $TOLVANE_WINE_WHY != *"$why"* ]]; then
    echo "FAIL: loader $loader, force '$force': got $TOLVANE_WINE_ARCH $TOLVANE_WINE ($TOLVANE_WINE_WHY)"
    failures=$((failures + 1))
  fi
}
expect refused "" win64 /usr/lib/wine/wine64 "runs no 32-bit programs ($fake/refused: Exec format error)"
expect missing "" win64 /usr/lib/wine/wine64 "No such file"
expect starts 1 win64 /usr/lib/wine/wine64 "TOLVANE_FORCE_WIN64=1"
expect starts "" win32 wine "runs 32-bit programs"
expect keep refused "" win32 wine "runs 32-bit programs"  # once made, whatever the loader does now
[ $failures -eq 0 ] && echo "the Wine build is chosen as the loader allows"
exit $failures
