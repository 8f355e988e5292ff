#!/usr/bin/env bash
# The Debian package end to end, as root on Debian 12 (CI): build it, install it with apt,
# check its menu entry, metainfo and lintian, start the installed viewer with a fresh HOME,
# index a small folder with the installed indexer, find a planted word through the viewer's
# pages, then remove the package and check that the user's folder is untouched.
# Usage: tests/package/package_test.sh   (from .ci/run, after the main tests)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
if [ "$(id -u)" -ne 0 ]; then
  echo "package test: skipped (installs a package, needs root as in CI)"
  exit 0
fi
if dpkg-query -W -f='${Status}' ruvudar 2>/dev/null | grep -q "install ok installed"; then
  echo "package test: a ruvudar package is installed already; remove it first" >&2
  exit 1
fi

bash scripts/package.sh
deb=$(ls "$root"/build/package/ruvudar_*_amd64.deb)

work=$(mktemp -d /tmp/ruvudar-package-test.XXXXXX)
viewer_pid=""
stop_viewer() {
  if [ -n "$viewer_pid" ]; then
    kill "$viewer_pid" 2>/dev/null || true
    wait "$viewer_xvfb" 2>/dev/null || true
    viewer_pid=""
  fi
}
cleanup() {
  stop_viewer
  if dpkg-query -W -f='${Status}' ruvudar 2>/dev/null | grep -q "install ok installed"; then
    apt-get purge -y -qq ruvudar >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "package test FAILED: $*" >&2; exit 1; }

echo "== install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
[ "$(readlink -f /usr/bin/ruvudar)" = /usr/lib/ruvudar/ruvudar ] || fail "no ruvudar launcher"
[ -f /usr/lib/ruvudar/per-user-folders ] || fail "no per-user marker"
installed_files=$(ls -A /usr/lib/ruvudar)

echo "== desktop entry, metainfo, lintian"
desktop-file-validate /usr/share/applications/jp.ruvudar.Ruvudar.desktop
appstreamcli validate --no-net /usr/share/metainfo/jp.ruvudar.Ruvudar.metainfo.xml
lintian_out=$(lintian "$deb" 2>&1 || true)
[ -z "$lintian_out" ] || echo "$lintian_out"
if echo "$lintian_out" | grep -q '^E:'; then fail "lintian reports errors"; fi

export HOME="$work/home"
mkdir -p "$HOME"
unset XDG_DATA_HOME
export QTWEBENGINE_DISABLE_SANDBOX=1  # the web view's sandbox cannot run as root
user_folder="$HOME/.local/share/ruvudar"
# Starts the installed viewer from the menu's command on a virtual screen, its web view's
# DevTools endpoint open on a free port ($port). Tries again when the virtual screen did not
# come up (xvfb-run -a can race with another one starting at the same moment).
start_viewer() {
  local attempt
  for attempt in 1 2 3; do
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    rm -f "$work/viewer.pid"
    xvfb-run -a -s "-screen 0 1280x1024x24" sh -c \
      'echo $$ > "$0"; exec env QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:'"$port"' ruvudar' \
      "$work/viewer.pid" >"$work/viewer.log" 2>&1 &
    viewer_xvfb=$!
    for _ in $(seq 300); do
      [ -s "$work/viewer.pid" ] && break
      kill -0 "$viewer_xvfb" 2>/dev/null || break
      sleep 0.1
    done
    if [ -s "$work/viewer.pid" ]; then
      viewer_pid=$(cat "$work/viewer.pid")
      return 0
    fi
    wait "$viewer_xvfb" 2>/dev/null || true
    echo "package test: the virtual screen did not start (attempt $attempt)" >&2
    cat "$work/viewer.log" >&2
  done
  fail "cannot start the viewer"
}
# Searches for a word through the viewer's own navigation (as the search form does) and
# waits for the result page to hold the document's name.
search_for() {
  local word=$1 document=$2 query
  query=$(python3 -c 'import sys, urllib.parse; print(urllib.parse.quote(sys.argv[1]))' "$word")
  local attempt
  # Sent again when the page has not changed: a start still settling may drop the first.
  for attempt in 1 2 3; do
    python3 tests/package/devtools_navigate.py "$port" \
      "file://$user_folder/page/index.html?COM=SEARCH&KEYWORD=$query&CATCHK1=ON" 120 ||
      { cat "$work/viewer.log" >&2; fail "could not drive the viewer"; }
    for _ in $(seq 100); do
      grep -q "<span class=\"keyword\">$word</span>" "$user_folder/page/main.html" 2>/dev/null &&
        grep -q "$document" "$user_folder/page/main.html" && return 0
      sleep 0.2
    done
  done
  cat "$work/viewer.log" >&2
  fail "the viewer's result page does not show $document for $word"
}

echo "== first start: the per-user folder"
start_viewer
for _ in $(seq 300); do
  [ -f "$user_folder/page/index.html" ] && break
  sleep 0.2
done
[ -f "$user_folder/page/index.html" ] || { cat "$work/viewer.log" >&2; fail "no page/index.html"; }
[ "$(stat -c %a "$user_folder")" = 700 ] || fail "the per-user folder is not private"
# The welcome page's home link reaches the README the package installed.
grep -q 'href="file:///usr/share/doc/ruvudar/README.md"' "$user_folder/page/main.html" ||
  fail "the welcome page does not link to the installed README"
[ -f /usr/share/doc/ruvudar/README.md ] || fail "no README in the package"
stop_viewer

echo "== the installed indexer on a small folder"
mkdir -p "$work/docs"
printf 'これは試験用のメモです。合言葉は琉球朝顔です。\n' >"$work/docs/memo.txt"
printf '[Common]\r\nReindex=update\r\n\r\n[FileType]\r\n.txt\r\n\r\n[SearchDir]\r\n%s/;;文書\r\n\r\n[ExtraDir]\r\n' \
  "$work/docs" >"$user_folder/daradiv.ini"
(cd / && daradiv -j)  # by hand from the PATH: the user's folder by the same rule
[ -f "$user_folder/sindexi.dat" ] || fail "the indexer wrote no index into the user's folder"
# As the viewer starts it: the folder named on its command line, whatever HOME says.
printf 'Second note: the password is zebrafinch.\n' >"$work/docs/note.txt"
(cd / && HOME="$work/elsewhere" /usr/lib/ruvudar/daradiv -j "--program-folder=$user_folder")
[ ! -e "$work/elsewhere" ] || fail "the indexer used HOME instead of the folder it was given"
[ "$(ls -A /usr/lib/ruvudar)" = "$installed_files" ] || fail "the program folder was written to"

echo "== find the planted words through the installed viewer"
start_viewer
search_for 琉球朝顔 memo.txt
search_for zebrafinch note.txt
stop_viewer

echo "== remove the package"
snapshot() { (cd "$user_folder" && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
before=$(snapshot)
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq ruvudar >/dev/null
[ ! -e /usr/lib/ruvudar ] || fail "/usr/lib/ruvudar is left after removal"
[ "$(snapshot)" = "$before" ] || fail "removing the package changed the user's folder"
[ -f "$user_folder/sindexi.dat" ] && [ -f "$user_folder/daradiv.ini" ] || fail "user files lost"
echo "package test: OK"
