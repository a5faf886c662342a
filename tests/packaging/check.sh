#!/usr/bin/env bash
# Checks the game's installation, its Debian package and its Windows installer and zip.
#
#   check.sh desktop FILE             desktop-file-validate finds nothing at all, not even a hint
#   check.sh appstream FILE           appstreamcli finds nothing, pedantic hints included
#   check.sh install BUILD ID         `cmake --install` lays out the expected files
#   check.sh deb BUILD ID VERSION SESSION
#                                     cpack makes a .deb with the expected fields and files,
#                                     whose program shows the right first frame on a private
#                                     desktop started by SESSION (pomuran_session)
#   check.sh lintian DEB              lintian --pedantic finds no error or warning, nor any of the
#                                     findings the package was made free of
#   check.sh release REPO             scripts/package, scripts/package --windows and --web, run on
#                                     two clones of REPO's last commit in folders of different
#                                     names, at different times and under different umasks, make
#                                     the same bytes; the .deb passes lintian
set -Eeuo pipefail
# Any step that fails without saying why still says where.
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND exited with status $?" >&2' ERR

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A validator passes only when it says nothing beyond its success line: warnings, infos and
# pedantic hints all count as findings, whatever the exit status, except those of `known`.
known='^$'
quiet() {
  local success=$1
  shift
  local out rc=0
  out=$("$@" 2>&1) || rc=$?
  printf '%s\n' "$out"
  [ "$rc" -eq 0 ] || fail "$1 exited with status $rc"
  [ "$(printf '%s' "$out" | grep -vE -e '^[[:space:]]*$' -e "$known" || true)" = "$success" ] ||
    fail "$1 reported findings"
}

validate_desktop() { quiet "" desktop-file-validate "$1"; }

appstream_ok="✔ Validation was successful."
explain=--explain
# The metainfo names its developer with the tag that AppStream 1.0 (Debian 13) asks for in place
# of developer_name. AppStream 0.16 (Debian 12) does not know that tag yet and says so, once
# (after the file's name, when it checks a tree).
if appstreamcli --version | grep -q 'version: 0\.'; then
  appstream_ok="✔ Validation was successful: infos: 1"
  known='^( *I: [^ ]+:[0-9]+: unknown-tag developer|[^ ]+\.metainfo\.xml)$'
  explain=""
fi
validate_appstream() {
  quiet "$appstream_ok" appstreamcli validate --no-net --pedantic $explain "$1"
}

# Checks an installed tree: exactly the expected files under the prefix, icons of the right size
# with transparency, and entries that validate where they lie.
check_tree() {
  local prefix=$1 id=$2 rel=$3 size want got
  want="games/pomuran share/applications/${id}.desktop share/doc/pomuran/changelog.gz
    share/doc/pomuran/copyright share/man/man6/pomuran.6.gz share/metainfo/${id}.metainfo.xml"
  for size in 16 32 48 64 128; do want+=" share/icons/hicolor/${size}x${size}/apps/${id}.png"; done
  want=$(printf "$rel%s\n" $want | sort)
  got=$(cd "$prefix" && find . -type f -printf '%P\n' | sort)
  if [ "$want" != "$got" ]; then
    diff <(printf '%s\n' "$want") <(printf '%s\n' "$got") >&2 || true
    fail "the installed files differ from the expected ones (< expected, > installed)"
  fi
  [ -x "$prefix/${rel}games/pomuran" ] || fail "games/pomuran is not executable"
  file -b "$prefix/${rel}games/pomuran" | grep -q '^ELF .* executable' || fail "games/pomuran is no program"
  for size in 16 32 48 64 128; do
    file -b "$prefix/${rel}share/icons/hicolor/${size}x${size}/apps/${id}.png" |
      grep -q "^PNG image data, $size x $size, 8-bit/color RGBA" ||
      fail "the ${size}x${size} icon is not a $size x $size PNG with transparency"
  done
  validate_desktop "$prefix/${rel}share/applications/${id}.desktop"
  validate_appstream "$prefix/${rel}share/metainfo/${id}.metainfo.xml"
  quiet "$appstream_ok" appstreamcli validate-tree --no-net --pedantic "$prefix"
  echo "installed tree at $prefix: as expected"
}

work=""
trap '[ -z "$work" ] || rm -rf "$work"' EXIT

check_install() {
  local build=$1 id=$2
  work=$(mktemp -d)
  cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" ||
    { cat "$work/install.log"; fail "cmake --install failed"; }
  check_tree "$work/prefix" "$id" ""
}

check_deb() {
  local build=$1 id=$2 version=$3 session=$4
  work=$(mktemp -d)
  cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
  local debs=("$work"/out/*.deb)
  [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb"
  local deb=${debs[0]}
  echo "package: $(basename "$deb")"
  [ "$(basename "$deb")" = "pomuran_${version}_$(dpkg --print-architecture).deb" ] ||
    fail "the package file name is not pomuran_${version}_<arch>.deb"

  # The control fields.
  field() { dpkg-deb -f "$deb" "$1"; }
  dpkg-deb -f "$deb"
  [ "$(field Package)" = pomuran ] || fail "Package is not pomuran"
  [ "$(field Version)" = "$version" ] || fail "Version is not $version"
  [ "$(field Section)" = games ] || fail "Section is not games"
  field Maintainer | grep -q '<.*@.*>' || fail "the maintainer has no address"
  [ "$(field Description | wc -l)" -ge 2 ] || fail "the description has no long part"
  local lib names
  names=$(field Depends | tr ',' '\n' | sed 's/^ *//')
  # dpkg-shlibdeps names the libraries that the program links, with versions; Debian 13 renamed
  # Qt's core library for its 64-bit time, and packs for the release that builds it.
  for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
    grep -qE "^${lib//+/[+]}(t64)? \(>= " <<<"$names" || fail "Depends lacks a versioned $lib"
  done
  for lib in qt6-qpa-plugins qt6-wayland fonts-ipafont-gothic; do
    grep -qx "$lib" <<<"$names" || fail "Depends lacks $lib"
  done

  dpkg-deb -x "$deb" "$work/root"
  check_tree "$work/root" "$id" "usr/"

  # The unpacked program on a private desktop must show the exact first frame.
  "$session" firstframe "$work/root/usr/games/pomuran" ||
    fail "the packaged program does not show the expected first frame"
  echo "the packaged program shows the expected first frame"
}

# Informational and pedantic findings may stay when they do not apply; these may not.
gone="package-section-games-but-contains-no-game|no-changelog|no-manual-page"
gone+="|extended-description-line-too-long|hardening-no-fortify-functions|hardening-no-bindnow"
gone+="|binary-has-unneeded-section"

check_lintian() {
  local deb=$1 out rc=0
  # lintian says on stderr that it should not run as root.
  out=$(lintian --pedantic -I -E --fail-on none "$deb" 2>/dev/null) || rc=$?
  [ -z "$out" ] || printf '%s\n' "$out"
  [ "$rc" -eq 0 ] || fail "lintian exited with status $rc"
  ! grep -qE "^[EW]: |^.: [^ ]+: ($gone)( |\$)" <<<"$out" ||
    fail "lintian reports an error, a warning or a finding that the package was free of"
  echo "lintian --pedantic: $(basename "$deb") passes"
}

# Packs one clone for Debian, for Windows and for browsers, and sets deb, setup, zip and webzip to
# what it made.
package_clone() {
  local clone=$1 log=$2
  (cd "$clone" && scripts/package) >"$log" 2>&1 || { tail -n 40 "$log"; fail "scripts/package failed"; }
  deb=$(tail -n1 "$log")
  [ -f "$deb" ] || fail "scripts/package printed no package path as its last line"
  (cd "$clone" && scripts/package --windows) >"$log.windows" 2>&1 ||
    { tail -n 40 "$log.windows"; fail "scripts/package --windows failed"; }
  setup=$(tail -n1 "$log.windows")
  zip=${setup%-setup.exe}-win64.zip
  [ -f "$setup" ] && [ -f "$zip" ] || fail "scripts/package --windows made no installer and zip"
  (cd "$clone" && scripts/package --web) >"$log.web" 2>&1 ||
    { tail -n 40 "$log.web"; fail "scripts/package --web failed"; }
  webzip=$(tail -n1 "$log.web")
  [ -f "$webzip" ] || fail "scripts/package --web made no zip"
}

check_release() {
  local repo=$1 commit deb setup zip webzip first firstsetup firstzip firstweb
  work=$(mktemp -d)
  commit=$(git -C "$repo" rev-parse HEAD)
  echo "packing $commit twice"
  git clone -q --no-checkout "$repo" "$work/a" && git -C "$work/a" checkout -q --detach "$commit"
  package_clone "$work/a" "$work/a.log"
  first=$deb firstsetup=$setup firstzip=$zip firstweb=$webzip
  (
    umask 077
    git clone -q --no-checkout "$repo" "$work/second-clone"
    git -C "$work/second-clone" checkout -q --detach "$commit"
    package_clone "$work/second-clone" "$work/second.log"
    if ! cmp "$first" "$deb"; then
      mkdir "$work/x1" "$work/x2"
      dpkg-deb -R "$first" "$work/x1" && dpkg-deb -R "$deb" "$work/x2"
      diff -r "$work/x1" "$work/x2" || true
      fail "two builds of one commit made different packages"
    fi
    cmp "$firstsetup" "$setup" || fail "two builds of one commit made different Windows installers"
    cmp "$firstzip" "$zip" || fail "two builds of one commit made different Windows zips"
    cmp "$firstweb" "$webzip" || fail "two builds of one commit made different browser zips"
    sha256sum "$first" "$deb" "$firstsetup" "$setup" "$firstzip" "$zip" "$firstweb" "$webzip"
  )
  check_lintian "$first"
}

case "${1:-}" in
  desktop) validate_desktop "$2" ;;
  appstream) validate_appstream "$2" ;;
  install) check_install "$2" "$3" ;;
  deb) check_deb "$2" "$3" "$4" "$5" ;;
  lintian) check_lintian "$2" ;;
  release) check_release "$2" ;;
  *) echo "usage: $0 desktop|appstream|install|deb|lintian|release ..." >&2; exit 2 ;;
esac
