# Shared set-up for scripts/test and scripts/run. Source it; do not run it.
# Everything a fresh Debian 12 machine lacks is installed here, so CI and new
# machines need nothing done by hand.

TOLVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

tolvane_log() { printf '== %s\n' "$*" >&2; }

# Installs the cross compiler, Wine, Xvfb and the tools the tests use, when any
# is missing. Quick when all is present.
tolvane_ensure_packages() {
  local missing=()
  command -v cmake >/dev/null || missing+=(cmake)
  command -v g++ >/dev/null || missing+=(g++)
  [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
  command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686)
  command -v wine >/dev/null || missing+=(wine wine64)
  dpkg -s wine32:i386 >/dev/null 2>&1 || missing+=(wine32:i386)
  command -v Xvfb >/dev/null || missing+=(xvfb)
  command -v xdotool >/dev/null || missing+=(xdotool)
  command -v import >/dev/null || missing+=(imagemagick)
  command -v zip >/dev/null || missing+=(zip)
  # Wine's own fonts (caption buttons, Tahoma) and one with Chinese glyphs, so
  # windows under Wine show their texts rather than empty boxes.
  [ -f /usr/share/wine/fonts/marlett.ttf ] || missing+=(fonts-wine)
  fc-list :lang=zh 2>/dev/null | grep -q . || missing+=(fonts-wqy-microhei)
  # Wine names files in the Linux locale's charset: without zh_CN.UTF-8 a
  # Chinese folder name cannot exist under Wine.
  [ -f /usr/share/i18n/locales/zh_CN ] || missing+=(locales)
  if [ ${#missing[@]} -gt 0 ]; then
    tolvane_log "installing: ${missing[*]}"
    if [ "$(id -u)" != 0 ]; then
      echo "scripts need root to install: ${missing[*]}" >&2
      return 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    dpkg --add-architecture i386
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}" || return 1
  fi
  if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    tolvane_log "generating the zh_CN.UTF-8 locale"
    localedef -i zh_CN -f UTF-8 zh_CN.UTF-8 || return 1
  fi
}

# The environment every Wine call of the project uses: ANSI code page 936 and
# file names in UTF-8, from the Chinese locale.
tolvane_wine_env() {
  export WINEARCH=win32
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
  export LC_ALL=zh_CN.UTF-8
}

# Creates a 32-bit prefix in $1 with a virtual desktop (so windows get frames,
# focus and keystrokes under Xvfb) and a distinctive menu colour (so tests can
# tell the system menu colour from white).
tolvane_make_prefix() {
  local prefix=$1
  tolvane_wine_env
  export WINEPREFIX=$prefix
  mkdir -p "$prefix"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 800x600 /f >/dev/null 2>&1
  wine reg add 'HKCU\Control Panel\Colors' /v Menu /d '232 216 200' /f >/dev/null 2>&1
  # Debian's Wine does not find its own fonts in their shared folder; in the
  # prefix's Fonts folder it does.
  cp -n /usr/share/wine/fonts/*.tt[fc] "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
  # Restart only this prefix's wineserver so the desktop setting takes hold.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
}

# Configures the win32 preset in $1 and builds the named targets there (all
# when none is named). Logs go beside the tree; on failure the errors are
# printed and it returns 1.
tolvane_build_win32() {
  local dir=$1 target args=()
  shift
  for target in "$@"; do args+=(--target "$target"); done
  mkdir -p "$(dirname "$dir")"
  cmake --preset win32 -B "$dir" >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; return 1; }
  if ! cmake --build "$dir" -j "$(nproc)" "${args[@]}" >"$dir.build.log" 2>&1; then
    grep -E -A3 'error|Error' "$dir.build.log" | head -n 60
    return 1
  fi
}

# Starts Xvfb on a free display; sets DISPLAY and TOLVANE_XVFB_PID.
tolvane_start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    TOLVANE_XVFB_PID=$!
    local i
    for i in $(seq 50); do
      [ -e /tmp/.X11-unix/X$n ] && break
      sleep 0.1
    done
    if kill -0 "$TOLVANE_XVFB_PID" 2>/dev/null; then
      export DISPLAY=:$n
      return 0
    fi
  done
  echo "no free X display for Xvfb" >&2
  return 1
}

tolvane_stop_xvfb() {
  if [ -n "${TOLVANE_XVFB_PID:-}" ]; then
    kill "$TOLVANE_XVFB_PID" 2>/dev/null || true
    wait "$TOLVANE_XVFB_PID" 2>/dev/null || true
    TOLVANE_XVFB_PID=
  fi
}
