#!/usr/bin/env bash
# Runs the installer under Wine. With $DISPLAY it opens there for a person to use. Without one
# it runs headless under Xvfb: a script walks the default installation, saves a screenshot of
# each page, of the exit confirmation and of the finished report in build/screens/, and then
# prints what was installed. Either way the script ends with the installer's exit code. Headless,
# the pages are first walked at display scales of 150% and 200% as well (144 and 192 DPI), for
# screenshots named with -144 and -192.
#
# Everything happens in a throwaway Wine prefix, build/run/prefix (made anew by each walk, the
# last left for a look afterwards), with its own HOME in build/run/home: ~/.wine and the real home
# are not touched.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
exe="$root/build/win32/VorlaneSetup.exe"
driver="$root/build/win32/tools/ui_driver.exe"
state="$root/build/run"
screens="$root/build/screens"
wine_env="$root/tools/wine/wine-env"
title='Vorlane V2.6 绿色中文版'

[ -f "$exe" ] || { echo "run: $exe is missing: build it first (make run does)" >&2; exit 1; }

if [ -n "${DISPLAY:-}" ]; then
  "$wine_env" setup "$state" "$DISPLAY" >/dev/null
  set +e
  "$wine_env" run "$state" "$exe"
  code=$?
  set -e
  "$wine_env" teardown "$state"
  echo "run: the installer ended with exit code $code"
  exit "$code"
fi

mkdir -p "$screens"
drive() { "$wine_env" run "$state" "$driver" "$@"; }

# The page on screen that shows `marker`: its window handle.
page() {
  local marker=$1 window
  for _ in $(seq 1 60); do
    window=$(drive wait - "$title" 1000 2>/dev/null) || continue
    if drive children "$window" 2>/dev/null | grep -qF -- "$marker"; then echo "$window"; return 0; fi
    sleep 0.3
  done
  echo "run: no page showing \"$marker\" appeared" >&2
  return 1
}

# Saves a screenshot of a window as build/screens/<name><suffix>.png.
shoot() {
  local window=$1 name=$2$suffix
  drive screenshot "$window" "Z:$state/$name.bmp" >/dev/null
  convert "$state/$name.bmp" "$screens/$name.png"
  rm -f "$state/$name.bmp"
  echo "run: screenshot build/screens/$name.png"
}

# A new prefix in $state at display DPI $1 (96 is 100%), with the Quick Launch folder that a new
# Wine prefix lacks and the installation puts a link into.
new_prefix() {
  WINE_ENV_DPI=$1 "$wine_env" setup "$state" >/dev/null
  export WINEPREFIX="$state/prefix"
  appdata="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming"
  [ -d "$appdata" ] || appdata=$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -type d -name Roaming | head -n 1)
  mkdir -p "$appdata/Microsoft/Internet Explorer/Quick Launch"
}

# The default installation through the pages, a screenshot of each; at 100% also the exit
# confirmation, answered No. Leaves the installer's process id in $installer.
walk() {
  local welcome agreement location progress box report
  "$wine_env" run "$state" "$exe" &
  installer=$!
  welcome=$(page 欢迎使用)
  shoot "$welcome" 1-welcome
  drive click "$welcome" 下一步 >/dev/null
  agreement=$(page 程序许可证协议)
  shoot "$agreement" 2-agreement
  drive click "$agreement" 下一步 >/dev/null
  location=$(page 选择安装路径)
  shoot "$location" 3-location
  if [ -z "$suffix" ]; then
    drive click "$location" 取消 >/dev/null
    box=$(drive wait '#32770' '提示' 10000)
    shoot "$box" 4-confirm-exit
    drive answer "$box" no >/dev/null
    sleep 0.5
  fi
  drive click "$location" 下一步 >/dev/null
  progress=$(page 安装完成)
  # The bar fills on the timer once the installation has returned; the report then stands.
  for _ in $(seq 1 50); do
    report=$(drive children "$progress" | awk -F'\t' '$3=="Edit"{print $1}')
    [ -n "$(drive text "$report" 2>/dev/null)" ] && break
    sleep 0.2
  done
  sleep 1
  shoot "$progress" 5-finished
  drive click "$progress" 安装完成 >/dev/null
}

# The pages at display scales of 150% and 200% (screenshots only), each in a prefix of its own;
# then the run at 100% that the report below describes.
trap '"$wine_env" teardown "$state"' EXIT
for dpi in 144 192; do
  suffix=-$dpi
  new_prefix "$dpi"
  walk
  wait "$installer" || echo "run: at $dpi DPI the installer ended with exit code $?" >&2
  "$wine_env" teardown "$state"
done
suffix=
new_prefix 96
walk

# From here on the script reports: what it cannot find (nothing installed after a failure) is
# left out, and the script still ends with the installer's exit code.
set +e
wait "$installer"
code=$?

echo
echo "run: the installer ended with exit code $code"
product="$WINEPREFIX/drive_c/Program Files/Vorlane"
if [ -d "$product" ]; then
  echo "run: installed under C:\\Program Files\\Vorlane (size in bytes, attributes):"
  (cd "$product" && find . -type f | sort | while read -r file; do
    attributes=$(getfattr --only-values -n user.DOSATTRIB "$file" 2>/dev/null || true)
    case "$attributes" in *6*|*0x26*) flags="hidden system" ;; *) flags="" ;; esac
    printf '  %-34s %9d  %s\n' "${file#./}" "$(stat -c %s "$file")" "$flags"
  done)
  (cd "$product" && find . -mindepth 1 -type d -empty | sort | sed 's|^\./|  (empty folder) |')
else
  echo "run: nothing installed under C:\\Program Files\\Vorlane"
fi
echo "run: shortcuts:"
find "$WINEPREFIX/drive_c/users" "$product" -name '*.lnk' 2>/dev/null | sort | while read -r link; do
  target=$(lnkinfo -c windows-936 "$link" 2>/dev/null | sed -n 's/^[[:space:]]*\(Local path\|Relative path\)[[:space:]]*:[[:space:]]*//p' | head -n 1)
  echo "  ${link#"$WINEPREFIX/drive_c/"} -> $target"
done
echo "run: registry:"
"$wine_env" run "$state" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlane' 2>/dev/null \
  | iconv -f GBK -t UTF-8 | tr -d '\r' | sed -n 's/^ *\([^ ].* REG_[A-Z_]* \)/  \1/p'

exit "$code"
