#!/usr/bin/env bash
# Runs the installer under Wine. With $DISPLAY it opens there for a person to use. Without one
# it runs headless under Xvfb: a script walks its windows, saves a screenshot of each in
# build/screens/ and reports what the installer did.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
exe="$root/build/win32/VorlaneSetup.exe"
driver="$root/build/win32/tools/ui_driver.exe"
state="$root/build/run"
screens="$root/build/screens"
wine_env="$root/tools/wine/wine-env"

[ -f "$exe" ] || { echo "run: $exe is missing: build it first (make run does)" >&2; exit 1; }

if [ -n "${DISPLAY:-}" ]; then
  "$wine_env" setup "$state" "$DISPLAY" >/dev/null
  set +e
  "$wine_env" run "$state" "$exe"
  code=$?
  set -e
  "$wine_env" teardown "$state"
  echo "run: the installer ended with exit code $code"
  exit 0
fi

mkdir -p "$screens"
rm -f "$screens"/*.png
"$wine_env" setup "$state" >/dev/null
trap '"$wine_env" teardown "$state"' EXIT
drive() { "$wine_env" run "$state" "$driver" "$@"; }

# Saves a screenshot of a window as build/screens/<name>.png.
shoot() {
  local window=$1 name=$2
  drive screenshot "$window" "$state/$name.bmp" >/dev/null
  convert "$state/$name.bmp" "$screens/$name.png"
  rm -f "$state/$name.bmp"
  echo "run: screenshot $screens/$name.png"
}

"$wine_env" run "$state" "$exe" &
installer=$!

# The installer asks whether to leave; the script says No, and the installer ends normally.
box=$(drive wait '#32770' '提示' 20000) || { echo "run: no window appeared" >&2; kill "$installer"; exit 1; }
echo "run: message box \"$(drive msgtext "$box" | tr -d "\r")\""
shoot "$box" 01-confirm-exit
drive answer "$box" no >/dev/null

set +e
wait "$installer"
code=$?
set -e
echo "run: the installer ended with exit code $code"
