# wineenv.sh - sourced by the test launcher and the demo.
# A pristine 32-bit Wine prefix is built once per run under QND_WINE_ROOT; every test program
# gets a cheap copy of it, so no test sees another's registry or files, and the user's own
# prefix is never touched.
: "${QND_WINE_ROOT:?QND_WINE_ROOT must name a folder under the build tree}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="      # no Mono or Gecko prompt
export WINEARCH=win32
export HOME="$QND_WINE_ROOT/home"               # the prefix links its user folders to $HOME
mkdir -p "$HOME"

# qnd_pristine: (re)build $QND_WINE_ROOT/pristine.
qnd_pristine() {
  local p="$QND_WINE_ROOT/pristine"
  rm -rf "$p"
  WINEPREFIX="$p" wineboot -i >/dev/null 2>&1 </dev/null
  WINEPREFIX="$p" wineserver -w
  # real folders instead of links to $HOME, so that tests may delete or fill them
  find "$p/drive_c/users" -type l | while read -r l; do rm "$l"; mkdir -p "$l"; done
  # message boxes close at once under Xvfb; a crash ends the program instead of a dialog
  WINEPREFIX="$p" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
  WINEPREFIX="$p" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
  WINEPREFIX="$p" wineserver -w
  [ -f "$p/system.reg" ]
}

# qnd_fresh NAME: a fresh copy of the pristine prefix, exported as WINEPREFIX.
qnd_fresh() {
  export WINEPREFIX="$QND_WINE_ROOT/$1"
  rm -rf "$WINEPREFIX"
  cp -a --reflink=auto "$QND_WINE_ROOT/pristine" "$WINEPREFIX"
}

# qnd_done: stop this prefix's server and delete the copy.
qnd_done() {
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
