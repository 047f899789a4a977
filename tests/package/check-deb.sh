#!/usr/bin/env bash
# Checks the Debian package on this machine: the same bytes from a second build, lintian, its
# contents and dependencies, then installs it with apt-get, runs and validates what it
# installed, purges it and looks for anything left. Needs root (or sudo); the package must not
# be installed already.
#   check-deb.sh PACKAGE [SECOND-BUILD]
# One line per check ("ok: ..." or "FAIL: ..."), and last "checks: N passed, M failed".
set -uo pipefail
deb=$(realpath "$1")
second=${2:-}
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
name=$(dpkg-deb -f "$deb" Package)
version=$(dpkg-deb -f "$deb" Version)
passed=0
failed=0
work=$(mktemp -d)

check() {  # check NAME COMMAND...: one check, its output shown when it fails
  local title=$1
  shift
  if "$@" >"$work/out" 2>&1; then
    echo "ok: $title"
    passed=$((passed + 1))
  else
    echo "FAIL: $title"
    sed 's/^/    /' "$work/out"
    failed=$((failed + 1))
  fi
}

same_bytes() {
  sha256sum "$deb" "$second"
  [ "$(sha256sum <"$deb")" = "$(sha256sum <"$second")" ]
}

run_lintian() {
  lintian --display-level '>=pedantic' --fail-on error,warning "$deb" >"$work/lintian" 2>&1
}

has_contents() {
  local listing
  listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
  local missing=0
  for path in usr/bin/rlq-updater usr/bin/rlq-updater-cli usr/libexec/rlq-net-helper \
    usr/share/applications/rlq-updater.desktop usr/share/metainfo/org.rlqupdater.updater.metainfo.xml \
    usr/share/icons/hicolor/16x16/apps/rlq-updater.png usr/share/icons/hicolor/32x32/apps/rlq-updater.png \
    usr/share/polkit-1/actions/org.rlqupdater.temp-address.policy \
    usr/share/man/man1/rlq-updater.1.gz usr/share/man/man1/rlq-updater-cli.1.gz \
    usr/share/doc/rlq-updater/copyright; do
    grep -qx "./$path" <<<"$listing" || { echo "missing: $path"; missing=1; }
  done
  return $missing
}

has_dependencies() {
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  # pkexec and polkit named, the rest from the binaries' libraries.
  for package in pkexec polkitd libc6 libqt6widgets6 libnl-route-3-200 libcurl4; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || { echo "missing: $package"; return 1; }
  done
}

prints() {  # prints TEXT COMMAND...: exit status 0 and TEXT on standard output
  local text=$1
  shift
  "$@" >"$work/stdout" || { echo "exit status $?"; return 1; }
  cat "$work/stdout"
  grep -qF -- "$text" "$work/stdout"
}

manual_pages_clean() {
  local page
  for page in rlq-updater rlq-updater-cli; do
    # man's warnings go to standard error; any is a fault.
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "/usr/share/man/man1/$page.1.gz" \
      2>&1 >/dev/null | tee "$work/man"
    [ ! -s "$work/man" ] || return 1
  done
}

nothing_left() {
  local left=0 path
  while read -r path; do
    [ "$path" != /. ] || continue
    [ -e "$path" ] || [ -L "$path" ] || continue
    # A folder that stays must belong to another package (/usr/bin, the icon theme, ...).
    if [ -d "$path" ] && [ ! -L "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then
      continue
    fi
    echo "left: $path"
    left=1
  done <"$work/files"
  return $left
}

[ -z "$second" ] || check "the second build has the same SHA-256" same_bytes
check "lintian: no error or warning" run_lintian
# Its tags, whatever their level.
grep -E '^[A-Z]: ' "$work/lintian" | sed 's/^/    /'
check "contents: programs, helper, desktop entry, icons, polkit action, metainfo, man pages" has_contents
check "dependencies: shlibdeps, pkexec and polkitd" has_dependencies
check "apt-get install ./$(basename "$deb")" $sudo apt-get install -y -qq "$deb"
dpkg -L "$name" >"$work/files" 2>/dev/null
check "rlq-updater-cli --version prints $version" prints "$version" /usr/bin/rlq-updater-cli --version
check "rlq-updater-cli --help prints the usage" prints "rlq-updater-cli" /usr/bin/rlq-updater-cli --help
check "desktop-file-validate on the installed entry" \
  desktop-file-validate /usr/share/applications/rlq-updater.desktop
check "appstreamcli validate --no-net on the installed metainfo" \
  appstreamcli validate --no-net /usr/share/metainfo/org.rlqupdater.updater.metainfo.xml
check "man --warnings on both installed pages" manual_pages_clean
check "apt-get purge $name" $sudo apt-get purge -y -qq "$name"
check "no file of the package is left" nothing_left
rm -rf "$work"
echo "checks: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
