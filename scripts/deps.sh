#!/usr/bin/env bash
# Installs the Debian packages that Pomuran needs and that are missing.
#   scripts/deps.sh play      what building and running the game needs
#   scripts/deps.sh package   that, plus what building the Debian package needs
#   scripts/deps.sh windows   what building the Windows program, its installer and zip need
#   scripts/deps.sh web       what building the browser game and serving it need
#   scripts/deps.sh test      all of these, plus what the whole test suite needs, and the browser
#                             tests' driver from the npm registry (npm ci of package-lock.json)
set -euo pipefail

play=(cmake g++ make python3 qt6-base-dev qt6-qpa-plugins qt6-wayland libgl-dev fonts-ipafont-gothic)
package=(dpkg-dev git)
windows=(cmake make g++ g++-mingw-w64-x86-64-posix python3)
# The Windows installer and zip; git gives them the last commit's date.
windows+=(nsis zip git)
test=(libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool openbox x11-utils imagemagick
      clang libclang-rt-dev valgrind clang-format desktop-file-utils appstream file lintian
      at-spi2-core dbus python3-pyatspi fonts-dejavu-core wmctrl sway wayvnc grim
      mutter xwayland xdg-desktop-portal-gnome kwin-wayland kwin-style-breeze libgl1-mesa-dri libegl-mesa0 libglx-mesa0)
# The browser game: Debian's Emscripten, the labels' face with what cuts it down to a WOFF2, and
# esbuild, which minifies the page's scripts and style sheet; Node serves it.
web=(cmake make g++ emscripten nodejs fonts-ipafont-gothic python3-fonttools python3-brotli esbuild zip git)
# The browser tests drive Debian's Chromium with playwright-core, Firefox ESR with puppeteer-core
# and WebKitGTK's MiniBrowser through its WebDriver on an Xvfb; npm installs the drivers from the
# registry over TLS, with the machine's certificate authorities.
test+=(chromium firefox-esr webkit2gtk-driver npm ca-certificates)
# Wine runs the Windows program on the test desktop.
test+=(wine wine64 fonts-wine)
# XTest and DAMAGE: the benchmark that times the Windows program under Wine.
test+=(libxtst-dev libxdamage-dev)
# Orca and a voice for the screen reader test; `script` gives Orca a terminal for its log. Orca
# reads the browser game in Firefox too.
test+=(orca speech-dispatcher-espeak-ng bsdutils firefox-esr)
# Desktops that give the window another size: weston, the kiosk cage, i3.
test+=(weston cage i3-wm)

case "${1:-play}" in
  play) wanted=("${play[@]}") ;;
  package) wanted=("${play[@]}" "${package[@]}") ;;
  windows) wanted=("${windows[@]}") ;;
  web) wanted=("${web[@]}") ;;
  test) wanted=("${play[@]}" "${package[@]}" "${windows[@]}" "${web[@]}" "${test[@]}") ;;
  *) echo "usage: $0 [play|package|windows|web|test]" >&2; exit 2 ;;
esac

# The pinned browser drivers, once their Debian packages are there; npm ci only when an installed
# one is not the pinned one, so that a run needs the network only the first time.
npm_ci() {
  [ "${1:-play}" = test ] || return 0
  cd "$(dirname "$0")/.."
  local pinned='const lock = require("./package-lock.json").packages;
    const wanted = Object.keys(lock[""].devDependencies);
    process.exit(wanted.every((n) => require(`./node_modules/${n}/package.json`).version ===
      lock[`node_modules/${n}`].version) ? 0 : 1)'
  node -e "$pinned" 2>/dev/null && return 0
  echo "Installing the browser tests' drivers from the npm registry (npm ci)"
  npm ci --no-audit --no-fund --loglevel=error
}

missing=()
for p in "${wanted[@]}"; do
  # A Node from elsewhere (NodeSource's) brings its own npm and refuses Debian's.
  [ "$p" = npm ] && command -v npm >/dev/null 2>&1 && continue
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && { npm_ci "${1:-play}"; exit 0; }

explain() {
  echo "Pomuran needs these Debian packages, which could not be installed: ${missing[*]}." >&2
  echo "Install them as root (apt-get install ${missing[*]}), or run this as a user with sudo." >&2
  exit 1
}

if [ "$(id -u)" -eq 0 ]; then
  asroot=()
elif command -v sudo >/dev/null 2>&1; then
  asroot=(sudo env DEBIAN_FRONTEND=noninteractive)
else
  explain
fi
apt=("${asroot[@]}" apt-get)

# Debian updates Chromium only through the release's security archive; a machine laid from the
# main archive alone, as debootstrap lays one, would get an old build. The source is added, under
# the same archive keys, where it is missing.
security_source() {
  local codename
  codename=$(. /etc/os-release 2>/dev/null && [ "${ID:-}" = debian ] &&
    echo "${VERSION_CODENAME:-}")
  [ -n "$codename" ] || return 0
  grep -rqs -- "$codename-security" /etc/apt/sources.list /etc/apt/sources.list.d/ && return 0
  echo "Adding Debian's security archive for $codename, where Chromium's updates come from"
  printf 'Types: deb\nURIs: %s\nSuites: %s-security\nComponents: main\n' \
    http://deb.debian.org/debian-security "$codename" |
    "${asroot[@]}" tee /etc/apt/sources.list.d/debian-security.sources >/dev/null
}

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
[[ " ${missing[*]} " != *" chromium "* ]] || security_source || explain
"${apt[@]}" update -qq || explain
"${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" || explain
npm_ci "${1:-play}"
