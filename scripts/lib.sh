# Shared set-up for scripts/test and scripts/run. Source it; do not run it.
# Everything a fresh Debian 12 machine lacks is installed here, so CI and new
# machines need nothing done by hand.

TOLVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

tolvane_log() { printf '== %s\n' "$*" >&2; }

# The Debian packages the scripts need. A tool is known by the package that
# provides it, not by a command of its name on PATH: a machine may have another
# program, or a stand-in, of that name ahead of the real one.
tolvane_packages=(cmake g++ googletest g++-mingw-w64-i686-posix
  git                             # the release zip is dated at the commit's time
  g++-mingw-w64-x86-64-posix      # the 64-bit test build, for hosts that run no 32-bit programs
  wine wine64 wine32:i386 xvfb xdotool imagemagick zip
  fonts-wine fonts-wqy-microhei   # Wine's own fonts and Chinese glyphs, so windows under Wine show their texts
  locales)                        # the zh_CN definition the locale below is made from

# ImageMagick's convert, called by the path its package installs: the convert
# first on PATH may be another program.
TOLVANE_CONVERT=${TOLVANE_CONVERT:-/usr/bin/convert}

# Whether this shell can use the zh_CN.UTF-8 locale: bash warns when it cannot.
tolvane_locale_usable() { [ -z "$( (LC_ALL=zh_CN.UTF-8) 2>&1)" ]; }

# Installs the packages above that are missing and makes the locale. Quick
# when all is present.
tolvane_ensure_packages() {
  local package missing=()
  for package in "${tolvane_packages[@]}"; do
    dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null | grep -q '^ii' || missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    tolvane_log "installing: ${missing[*]}"
    if [ "$(id -u)" != 0 ]; then
      echo "scripts need root to install: ${missing[*]}" >&2
      return 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    dpkg --add-architecture i386
    apt-get update -q || { echo "apt-get update failed" >&2; return 1; }
    apt-get install -y -q --no-install-recommends "${missing[@]}" ||
      { echo "apt-get could not install: ${missing[*]}" >&2; return 1; }
  fi
  # Wine names files in the Linux locale's charset: without zh_CN.UTF-8 a
  # Chinese folder name cannot exist under Wine. The locale is made as a folder
  # of its own, not in the locale archive: a shell that started while there
  # was no archive never looks in one, and would warn on every use.
  if ! tolvane_locale_usable; then
    tolvane_log "generating the zh_CN.UTF-8 locale"
    localedef --no-archive -i zh_CN -f UTF-8 zh_CN.UTF-8 && tolvane_locale_usable ||
      { echo "localedef could not make zh_CN.UTF-8 usable" >&2; return 1; }
  fi
}

# git on this checkout, also when root runs the scripts on a checkout another
# user owns (git refuses such a "dubious ownership" otherwise).
tolvane_git() { git -c safe.directory="$TOLVANE_ROOT" -C "$TOLVANE_ROOT" "$@"; }

# Which build the Wine tests and the tour run on, and the Wine loader that
# runs them, decided once a run by starting the 32-bit loader: some kernels run
# no 32-bit x86 program at all, and Debian's wine, wineboot and winepath take
# that loader whenever wine32 is installed. There the 64-bit build runs under
# the 64-bit loader. TOLVANE_FORCE_WIN64=1 takes that path on any host;
# TOLVANE_WINE32_LOADER names another loader to try (for tests of this choice).
# Sets and exports TOLVANE_WINE_ARCH (win32 or win64), TOLVANE_WINE_WHY and
# TOLVANE_WINE, the loader every Windows program, Wine tool and test of the
# run starts through. A choice inherited from another process is made again.
tolvane_choose_wine() {
  [ -n "${tolvane_wine_chosen:-}" ] && return 0
  local loader=${TOLVANE_WINE32_LOADER:-/usr/lib/wine/wine} output
  TOLVANE_WINE_ARCH=win64 TOLVANE_WINE=/usr/lib/wine/wine64
  if [ "${TOLVANE_FORCE_WIN64:-}" = 1 ]; then
    TOLVANE_WINE_WHY="TOLVANE_FORCE_WIN64=1 asks for it"
  elif [ ! -e "$loader" ]; then
    TOLVANE_WINE_WHY="the 32-bit Wine loader $loader is not installed"
  elif output=$("$loader" --version 2>&1); then
    TOLVANE_WINE_ARCH=win32 TOLVANE_WINE=$loader TOLVANE_WINE_WHY="this host runs 32-bit programs"
  elif [[ $output == *"Exec format error"* ]]; then
    TOLVANE_WINE_WHY="this host's kernel runs no 32-bit programs ($loader: Exec format error)"
  else
    TOLVANE_WINE_WHY="the 32-bit Wine loader $loader does not start: \"${output//$'\n'/ }\""
  fi
  tolvane_wine_chosen=1
  export TOLVANE_WINE_ARCH TOLVANE_WINE_WHY TOLVANE_WINE
}

# Runs a Windows program, or a Wine tool (wineboot, winepath, reg), under the
# chosen loader.
tolvane_wine() { "$TOLVANE_WINE" "$@"; }

# The wineserver of the chosen loader's Wine, the one its programs talk to.
tolvane_wineserver() { "${TOLVANE_WINE%/*}/wineserver" "$@"; }

# Says which exe the Wine tests or the tour run on, and why.
tolvane_log_wine_choice() {
  local width=32
  [ "$TOLVANE_WINE_ARCH" = win64 ] && width=64
  tolvane_log "$1 on the $width-bit build ($2) under $TOLVANE_WINE: $TOLVANE_WINE_WHY"
}

# The environment every Wine call of the project uses: ANSI code page 936 and
# file names in UTF-8, from the Chinese locale; a prefix of the chosen width.
tolvane_wine_env() {
  tolvane_choose_wine
  # Wine starts its own processes (services, the programs a test starts)
  # through WINELOADER.
  export WINEARCH=$TOLVANE_WINE_ARCH WINELOADER=$TOLVANE_WINE
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
  export LC_ALL=zh_CN.UTF-8
}

# Creates a prefix of the chosen width in $1 with a virtual desktop (so
# windows get frames, focus and keystrokes under Xvfb) and a distinctive menu
# colour (so tests can tell the system menu colour from white). On failure it
# says so and shows Wine's own words.
tolvane_make_prefix() {
  local prefix=$1 log=$1.log key value data
  tolvane_wine_env
  export WINEPREFIX=$prefix
  mkdir -p "$prefix"
  if ! tolvane_wine wineboot -i >"$log" 2>&1 || [ ! -d "$prefix/drive_c/windows/system32" ]; then
    echo "cannot make a $WINEARCH Wine prefix in $prefix with $TOLVANE_WINE wineboot -i; it said:" >&2
    tail -n 20 "$log" >&2
    return 1
  fi
  for key in 'Software\Wine\Explorer|Desktop|Default' 'Software\Wine\Explorer\Desktops|Default|800x600' \
    'Control Panel\Colors|Menu|232 216 200'; do
    IFS='|' read -r key value data <<<"$key"
    if ! tolvane_wine reg add "HKCU\\$key" /v "$value" /d "$data" /f >>"$log" 2>&1; then
      echo "cannot set HKCU\\$key\\$value in the Wine prefix $prefix; reg said:" >&2
      tail -n 5 "$log" >&2
      return 1
    fi
  done
  # Debian's Wine does not find its own fonts in their shared folder; in the
  # prefix's Fonts folder it does.
  cp -n /usr/share/wine/fonts/*.tt[fc] "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
  # Restart only this prefix's wineserver so the desktop setting takes hold.
  tolvane_wineserver -k 2>/dev/null || true
  tolvane_wineserver -w 2>/dev/null || true
}

# Configures the preset $1 (of the sources in the working folder) in $2. The
# tree of the chosen width runs its tests under this run's loader.
tolvane_configure() {
  local loader=()
  tolvane_choose_wine
  [ "$1" = "$TOLVANE_WINE_ARCH" ] && loader=(-DTOLVANE_WINE_LOADER="$TOLVANE_WINE")
  mkdir -p "$(dirname "$2")"
  cmake --preset "$1" -B "$2" "${loader[@]}" >"$2.configure.log" 2>&1 || { cat "$2.configure.log"; return 1; }
}

# Configures the preset $1 in $2 and builds the named targets there (all when
# none is named). Logs go beside the tree; on failure the errors are printed
# and it returns 1.
tolvane_build() {
  local preset=$1 dir=$2 target args=()
  shift 2
  for target in "$@"; do args+=(--target "$target"); done
  tolvane_configure "$preset" "$dir" || return 1
  if ! cmake --build "$dir" -j "$(nproc)" "${args[@]}" >"$dir.build.log" 2>&1; then
    grep -E -A3 'error|Error' "$dir.build.log" | head -n 60
    return 1
  fi
}

# A built program's path in the tree $1, wherever its module puts it.
tolvane_built() {
  local path
  path=$(find "$1" -name "$2" -type f -not -path '*/CMakeFiles/*' | head -n 1)
  [ -n "$path" ] || { echo "not built in $1: $2" >&2; return 1; }
  echo "$path"
}

# Registers the stand-in game of the tree $1 as the game in $WINEPREFIX, unless
# a game is registered there already: C:\Program Files\Diablo II Demo\Diablo II.exe,
# "InstallPath" ending with a separator, as the game writes it.
tolvane_install_demo_game() {
  local key='HKCU\Software\Blizzard Entertainment\Diablo II' folder='C:\Program Files\Diablo II Demo\'
  local standin error
  if tolvane_wine reg query "$key" /v InstallPath >/dev/null 2>&1; then
    tolvane_log "InstallPath is already set in this prefix; the game there is left as it is"
    return 0
  fi
  standin=$(tolvane_built "$1" standin_game.exe) || return 1
  mkdir -p "$WINEPREFIX/drive_c/Program Files/Diablo II Demo" &&
    cp "$standin" "$WINEPREFIX/drive_c/Program Files/Diablo II Demo/Diablo II.exe" || return 1
  if ! error=$(tolvane_wine reg add "$key" /v InstallPath /t REG_SZ /d "$folder" /f 2>&1); then
    echo "cannot register the demo game in $WINEPREFIX; reg said: $error" >&2
    return 1
  fi
  tolvane_log "demo game: ${folder}Diablo II.exe"
}

# The scripted tour of the tree $1's Tolvane.exe, in $WINEPREFIX on $DISPLAY,
# with the demo game: its steps, then its pictures as PNG files in $2 with
# what each shows. A tool that fails (ImageMagick, winepath, Wine starting the
# tour) stops it with the tool's own words. Its status is the tour's.
tolvane_take_tour() {
  local tour shots=$2 folder version status
  version=$("$TOLVANE_CONVERT" -version 2>&1 | head -n 1)
  if [[ $version != "Version: ImageMagick "* ]]; then
    echo "ImageMagick's convert is not at $TOLVANE_CONVERT (package imagemagick); it answered: $version"
    return 1
  fi
  tour=$(tolvane_built "$1" tolvane_tour.exe) && tolvane_install_demo_game "$1" || return 1
  rm -rf "$shots" && mkdir -p "$shots" && folder=$(tolvane_wine winepath -w "$shots") || return 1
  tolvane_wine "$tour" "$folder"
  status=$?
  tolvane_tour_pictures "$shots" && return "$status"
}

# Converts the tour's BMP pictures in $1 to PNG and lists those the tour named
# in tour.txt (and failure.png), each only when its PNG file is there.
tolvane_tour_pictures() {
  local shots=$1 bmp output name description status=0
  for bmp in "$shots"/*.bmp; do
    [ -e "$bmp" ] || continue
    if ! output=$("$TOLVANE_CONVERT" "$bmp" "${bmp%.bmp}.png" 2>&1); then
      printf 'cannot convert %s to PNG; %s said:\n%s\n' "$bmp" "$TOLVANE_CONVERT" "$output"
      return 1
    fi
    rm -f "$bmp"
  done
  [ -f "$shots/tour.txt" ] || { echo "the tour wrote no tour.txt in $shots"; return 1; }
  echo
  echo "screenshots in $shots:"
  while IFS=$'\t' read -r name description; do
    if [ "$(head -c 8 "$shots/$name.png" 2>/dev/null | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ]; then
      printf '  %s.png  %s\n' "$name" "$description"
    else
      echo "NOT SAVED AS A PNG FILE: $name.png ($description)"
      status=1
    fi
  done < <(cat "$shots/tour.txt"; [ -e "$shots/failure.png" ] && printf 'failure\tthe windows when the tour stopped\n')
  return "$status"
}

# Starts Xvfb on a free display; sets DISPLAY and TOLVANE_XVFB_PID. On
# failure it shows what Xvfb said.
tolvane_start_xvfb() {
  local n i log
  log=$(mktemp /tmp/tolvane-xvfb.XXXXXX)
  for n in $(seq 90 140); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 1024x768x24 -nolisten tcp >"$log" 2>&1 &
    TOLVANE_XVFB_PID=$!
    for i in $(seq 50); do
      [ -e /tmp/.X11-unix/X$n ] && break
      kill -0 "$TOLVANE_XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$TOLVANE_XVFB_PID" 2>/dev/null && [ -e /tmp/.X11-unix/X$n ]; then
      export DISPLAY=:$n
      rm -f "$log"
      return 0
    fi
  done
  echo "cannot start Xvfb on any display from :90 to :140; the last attempt said:" >&2
  tail -n 10 "$log" >&2
  rm -f "$log"
  return 1
}

tolvane_stop_xvfb() {
  if [ -n "${TOLVANE_XVFB_PID:-}" ]; then
    kill "$TOLVANE_XVFB_PID" 2>/dev/null || true
    wait "$TOLVANE_XVFB_PID" 2>/dev/null || true
    TOLVANE_XVFB_PID=
  fi
}
