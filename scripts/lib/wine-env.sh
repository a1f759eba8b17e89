# Sourced by the scripts that run Windows programs under Wine.
# Sets up a private Wine prefix (Japanese locale, code page 932) and, on demand,
# a private Xvfb display.

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX="${VELMORI_WINEPREFIX:-$repo_root/build/wineprefix}"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8

# Creates the prefix once, with the settings that make Wine quick and quiet in tests:
# unmanaged windows (no 2 s wait when a window hides without a window manager) and
# no crash dialog (a crash exits instead of waiting for a click); Wine's own fonts
# (Marlett draws the caption buttons) and a proportional Japanese face under the
# name of the program's font, MS UI Gothic. Then starts Wine's services. Start the
# display first: Wine's desktop process keeps the display it finds at its start.
velmori_wine_prefix() {
  if [ ! -f "$WINEPREFIX/.velmori-ready" ]; then
    mkdir -p "$WINEPREFIX"
    DISPLAY= wineboot -i >/dev/null 2>&1 </dev/null || true
    wineserver -w
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    if [ -d /usr/share/wine/fonts ]; then
      mkdir -p "$fonts"
      cp /usr/share/wine/fonts/*.ttf "$fonts/"
    fi
    local reg
    reg=$(mktemp --suffix=.reg)
    cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="Y"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="IPAPGothic"
REG
    DISPLAY= wine regedit /S "$reg" >/dev/null 2>&1 </dev/null
    wineserver -w
    rm -f "$reg"
    touch "$WINEPREFIX/.velmori-ready"
  fi
  velmori_wine_services
}

# Keeps one wineserver and Wine's background services up for the whole session,
# started with no terminal attached: a service started later by a test would
# inherit the test's output pipe and keep the reader of that pipe waiting.
velmori_wine_services() {
  wineserver -p >/dev/null 2>&1 </dev/null || true  # fails when one is already up
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

# Starts a private Xvfb on a free display number and exports DISPLAY.
# The caller stops it with velmori_stop_xvfb.
velmori_start_xvfb() {
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    velmori_xvfb_pid=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    export DISPLAY=":$n"
    return 0
  done
  echo "no free X display number" >&2
  return 1
}

velmori_stop_xvfb() {
  [ -n "${velmori_xvfb_pid:-}" ] && kill "$velmori_xvfb_pid" 2>/dev/null
  velmori_xvfb_pid=
}
