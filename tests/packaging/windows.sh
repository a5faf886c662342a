#!/usr/bin/env bash
# The Windows installer's round trip and the zip, under Wine in a prefix of this test's own:
#   windows.sh SOURCE WORK VERSION ID SESSION
# packs with SOURCE's scripts/package --windows into WORK, installs an older version into a
# folder of its own, upgrades it silently in place, checks the files, the Start-menu shortcut, the
# installed-apps entry, the program's --version and, on a desktop started by SESSION
# (pomuran_session), its exact first frame; uninstalls silently and finds nothing left;
# then unpacks the zip and runs its program. No display is needed. Wine is stopped at the end.
set -Eeuo pipefail
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND exited with status $?" >&2' ERR
[ $# -eq 5 ] || { echo "usage: $0 SOURCE WORK VERSION ID SESSION" >&2; exit 2; }
source=$1 work=$2 version=$3 id=$4 session=$5
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
export WINEPREFIX=$work/prefix HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
export XDG_DATA_HOME=$work/home/.local/share XDG_CACHE_HOME=$work/home/.cache
# Wine 10 complains on every start without a runtime folder.
export XDG_RUNTIME_DIR=$work/run
export WINEDLLOVERRIDES='winemenubuilder.exe=d;mscoree=d;mshtml=d' WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
trap 'wineserver -k 2>/dev/null || true' EXIT

"$source/scripts/package" --windows --out "$work/out" >"$work/package.log" 2>&1 ||
  { tail -n 30 "$work/package.log"; fail "scripts/package --windows failed"; }
setup=$(tail -n1 "$work/package.log")
zip=$work/out/pomuran-$version-win64.zip
[ "$setup" = "$work/out/pomuran-$version-setup.exe" ] || fail "the last line is not the installer: $setup"
[ -f "$setup" ] && [ -f "$zip" ] || fail "no installer or no zip"

wineboot -i >/dev/null 2>&1
wineserver -w
drive=$WINEPREFIX/drive_c
key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$id"
link="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Pomuran.lnk"
value() { wine reg query "$key" /reg:64 /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"; }
answers() { [ "$(wine "$1" --version 2>/dev/null | tr -d '\r')" = "pomuran $version" ]; }

# An older version in a folder of the player's choosing, then this one over it.
win=$source/build/windows/packaging/windows
(cd "$win" && makensis -V1 -DVERSION=0.0.1 -INPUTCHARSET UTF8 pomuran.nsi) ||
  fail "makensis made no older installer"
mv "$win/pomuran-0.0.1-setup.exe" "$work/old-setup.exe"
wine "$work/old-setup.exe" /S '/D=C:\Games\Pomuran'
[ "$(value DisplayVersion)" = 0.0.1 ] || fail "the older version did not install"
wine "$setup" /S
dir="C:\\Games\\Pomuran"
[ "$(value DisplayVersion)" = "$version" ] || fail "the upgrade did not replace the version"
[ "$(value InstallLocation)" = "$dir" ] || fail "the upgrade did not stay in the older folder"
[ ! -e "$drive/Program Files/Pomuran" ] || fail "the upgrade installed beside the older version"

got=$(cd "$drive/Games/Pomuran" && ls | tr '\n' ' ')
[ "$got" = "LICENSE.txt README.txt pomuran.exe uninstall.exe " ] || fail "installed files: $got"
cmp -s "$drive/Games/Pomuran/LICENSE.txt" "$win/LICENSE.txt" || fail "the licence is not installed"
answers "$dir\\pomuran.exe" || fail "the installed program does not answer --version with $version"
[ -f "$link" ] || fail "no Start-menu shortcut"
grep -qF "$dir\\pomuran.exe" <<<"$(strings -a "$link")" || fail "the shortcut does not start the game"
for v in DisplayName:Pomuran "DisplayIcon:$dir\\pomuran.exe,0" "Publisher:The Pomuran developers" \
  "UninstallString:\"$dir\\uninstall.exe\"" "QuietUninstallString:\"$dir\\uninstall.exe\" /S" \
  NoModify:0x1 NoRepair:0x1; do
  [ "$(value "${v%%:*}")" = "${v#*:}" ] || fail "${v%%:*} is '$(value "${v%%:*}")', not '${v#*:}'"
done
[ $(($(value EstimatedSize))) -ge 100 ] || fail "EstimatedSize is $(value EstimatedSize)"
"$session" firstframe "$drive/Games/Pomuran/pomuran.exe" ||
  fail "the installed game does not show its exact first frame"
echo "installed: files, shortcut and installed-apps entry as expected; pomuran $version answers"

# The uninstaller copies itself away and returns at once: its work is waited for, with a bound
# far above the second it takes on an idle machine.
wine "$dir\\uninstall.exe" /S
for ((end = SECONDS + 60; SECONDS < end; )); do
  [ -e "$drive/Games/Pomuran" ] || [ -e "$link" ] || value DisplayName | grep -q . || break
  sleep 0.2
done
[ ! -e "$drive/Games/Pomuran" ] || fail "the uninstaller left: $(ls "$drive/Games/Pomuran")"
[ ! -e "$link" ] || fail "the uninstaller left the shortcut"
! wine reg query "$key" /reg:64 >/dev/null 2>&1 || fail "the uninstaller left the registry key"
echo "uninstalled: no file, shortcut or key left"

mkdir "$work/unzipped"
(cd "$work/unzipped" && cmake -E tar xf "$zip")
got=$(cd "$work/unzipped" && ls | tr '\n' ' ')
[ "$got" = "LICENSE.txt README.txt pomuran.exe " ] || fail "the zip holds: $got"
grep -q $'\r$' "$work/unzipped/README.txt" || fail "README.txt has no Windows line ends"
answers "$work/unzipped/pomuran.exe" || fail "the unzipped program does not answer --version"
echo "the zip's program answers --version with $version"
wineserver -k
rm -rf "$work"
