#!/usr/bin/env bash
# Installs the Debian packages that Pomuran needs and that are missing.
#   scripts/deps.sh play      what building and running the game needs
#   scripts/deps.sh package   that, plus what building the Debian package needs
#   scripts/deps.sh windows   what building the Windows program, its installer and zip need
#   scripts/deps.sh test      all of these, plus what the whole test suite needs
set -euo pipefail

play=(cmake g++ make qt6-base-dev qt6-qpa-plugins qt6-wayland libgl-dev fonts-ipafont-gothic)
package=(dpkg-dev git)
windows=(cmake make g++ g++-mingw-w64-x86-64-posix)
# The Windows installer and zip; git gives them the last commit's date.
windows+=(nsis zip git)
test=(libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool openbox x11-utils imagemagick
      clang libclang-rt-dev valgrind clang-format desktop-file-utils appstream file lintian
      at-spi2-core dbus python3-pyatspi fonts-dejavu-core wmctrl sway wayvnc grim
      mutter xwayland xdg-desktop-portal-gnome kwin-wayland kwin-style-breeze libgl1-mesa-dri libegl-mesa0 libglx-mesa0)
# Wine runs the Windows program on the test desktop.
test+=(wine wine64 fonts-wine)
# XTest and DAMAGE: the benchmark that times the Windows program under Wine.
test+=(libxtst-dev libxdamage-dev)
# Orca and a voice for the screen reader test; `script` gives Orca a terminal for its log.
test+=(orca speech-dispatcher-espeak-ng bsdutils)
# Desktops that give the window another size: weston, the kiosk cage, i3.
test+=(weston cage i3-wm)

case "${1:-play}" in
  play) wanted=("${play[@]}") ;;
  package) wanted=("${play[@]}" "${package[@]}") ;;
  windows) wanted=("${windows[@]}") ;;
  test) wanted=("${play[@]}" "${package[@]}" "${windows[@]}" "${test[@]}") ;;
  *) echo "usage: $0 [play|package|windows|test]" >&2; exit 2 ;;
esac

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

explain() {
  echo "Pomuran needs these Debian packages, which could not be installed: ${missing[*]}." >&2
  echo "Install them as root (apt-get install ${missing[*]}), or run this as a user with sudo." >&2
  exit 1
}

if [ "$(id -u)" -eq 0 ]; then
  apt=(apt-get)
elif command -v sudo >/dev/null 2>&1; then
  apt=(sudo env DEBIAN_FRONTEND=noninteractive apt-get)
else
  explain
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${apt[@]}" update -qq || explain
"${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" || explain
