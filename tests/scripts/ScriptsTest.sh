#!/usr/bin/env bash
# scripts/lib.sh with stand-ins: the Wine choice and its true reason; one loader for all; PNG pictures from ImageMagick only.
unset TOLVANE_FORCE_WIN64 TOLVANE_CONVERT; source "$(dirname "$0")/../../scripts/lib.sh"  # the caller's settings aside
fake=$(mktemp -d) failures=0 && trap 'rm -rf "$fake"' EXIT; fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
mkdir "$fake/bin" "$fake/tree" && touch "$fake"/tree/{tolvane_tour,standin_game}.exe && export PATH=$fake/bin:$PATH
printf 'BM:\0\0\0\0\0\0\0006\0\0\0(\0\0\0\1\0\0\0\1\0\0\0\1\0\30\0\0\0\0\0\4\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\377\0\0\0' >"$fake/1x1.bmp"
install /dev/stdin "$fake/starts" <<STANDIN  # one stand-in acting by its name: loaders, converters, commands on PATH
#!/bin/sh
case \${0#$fake/}:\$1 in
  starts:--version) echo wine-8.0 ;;  refused:*) echo "\$0: cannot execute binary file: Exec format error" >&2; exit 126 ;;
  starts:*) echo "\$0 \$WINELOADER \$*" >>$fake/calls  # plays Wine's tools and the tour, which saves \$SHOTS and lists two
    case \$1 in wineboot) mkdir -p "\$WINEPREFIX/drive_c/windows/system32" ;; reg) [ "\$2" = add ] ;; winepath) echo "\$3" ;; *tour.exe)
      [ "\$SHOTS" = none ] && echo "wine: cannot start the tour" >&2 && exit 1; for s in \$SHOTS; do cp $fake/1x1.bmp "\$2/\$s.bmp"; done
      printf '01-start\tshows the start\n02-add\tshows the add window\n' >"\$2/tour.txt" ;; esac ;;
  broken:*) echo "wine: could not load kernel32.dll"; echo "status c0000135" >&2; exit 1 ;;  wineserver:*) ;;
  other:*) echo "convert: ImageMagick is not installed here" >&2; exit 1 ;;  copying:*.bmp) cp "\$1" "\$2" ;;
  failing:-version | copying:-version) echo "Version: ImageMagick 6.9" ;;
  failing:*) echo "convert: no decode delegate for this image format" >&2; exit 1 ;;  *) echo "PATH \$0" >>$fake/calls; exit 1 ;;
esac
STANDIN
for name in refused broken other failing copying wineserver bin/{wine,wineboot,winepath,reg,convert,wineserver}; do ln "$fake/starts" "$fake/$name"; done
# Loader (@: the stand-ins' folder), TOLVANE_FORCE_WIN64, a preset choice; the choice made afresh under set -u, and held.
while IFS='|' read -r loader force preset expected; do
  got=$(env -u TOLVANE_WINE_WHY -u TOLVANE_WINE TOLVANE_WINE_ARCH=$preset TOLVANE_WINE32_LOADER="$fake/$loader" \
    TOLVANE_FORCE_WIN64=$force bash -uc 'source "$1"; tolvane_choose_wine; TOLVANE_WINE32_LOADER=$2 tolvane_choose_wine
    echo "$TOLVANE_WINE_ARCH $TOLVANE_WINE: $TOLVANE_WINE_WHY"' - "$TOLVANE_ROOT/scripts/lib.sh" "$fake/starts" 2>&1)
  [ "$got" = "${expected//@/$fake/}" ] || fail "loader $loader, force '$force', preset '$preset': $got"
done <<'TABLE'
starts||win64|win32 @starts: this host runs 32-bit programs
starts|1||win64 /usr/lib/wine/wine64: TOLVANE_FORCE_WIN64=1 asks for it
refused||win32|win64 /usr/lib/wine/wine64: this host's kernel runs no 32-bit programs (@refused: Exec format error)
missing|||win64 /usr/lib/wine/wine64: the 32-bit Wine loader @missing is not installed
broken|||win64 /usr/lib/wine/wine64: the 32-bit Wine loader @broken does not start: "wine: could not load kernel32.dll status c0000135"
TABLE
TOLVANE_WINE32_LOADER=$fake/starts tolvane_make_prefix "$fake/prefix" && (cd "$TOLVANE_ROOT" && tolvane_configure win32 "$fake/build") ||
  fail "no prefix made, or win32 not configured"
[ "$(grep -rhoE 'TEST_EXECUTOR \[==\[[^]]*' "$fake/build" --include='*include.cmake' | sort -u)" = "TEST_EXECUTOR [==[$fake/starts" ] ||
  fail "ctest's emulator is not the loader started"
# Converter (empty: the scripts' own) and pictures saved; the status, words and PNG files that must follow.
while IFS='|' read -r convert SHOTS status says pngs; do
  out=$(TOLVANE_CONVERT=${convert:+$fake/}${convert:-$TOLVANE_CONVERT} SHOTS=$SHOTS tolvane_take_tour "$fake/tree" "$fake/shots" 2>&1)
  [ $? = "$status" ] && [[ $out == *"${says//@/$fake/}"* ]] || fail "convert '$convert', shots '$SHOTS': $out"
  for png in $pngs $(sed -n 's/^  \(.*\)\.png  .*/\1/p' <<<"$out"); do  # and every one listed
    [ "$(head -c 4 "$fake/shots/$png.png" 2>/dev/null | tail -c 3)" = PNG ] || fail "$png.png is no PNG file: $out"; done
done <<'TABLE'
|01-start 02-add|0|  02-add.png  shows the add window|01-start 02-add
|01-start|1|NOT SAVED AS A PNG FILE: 02-add.png (shows the add window)|01-start
other|01-start|1|ImageMagick's convert is not at @other|
failing|01-start|1|convert: no decode delegate for this image format|
copying|01-start|1|NOT SAVED AS A PNG FILE: 01-start.png|
|none|1|wine: cannot start the tour|
TABLE
[ "$(sed "s|^$fake/starts $fake/starts ||" "$fake/calls" | cut -d" " -f1 | LC_ALL=C sort -u | xargs)" = \
  "$fake/tree/tolvane_tour.exe reg wineboot winepath" ] || fail "not every call went to the loader started, as WINELOADER: $(cat "$fake/calls")"
exit $failures
