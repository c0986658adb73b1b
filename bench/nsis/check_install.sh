#!/usr/bin/env bash
# Installs the comparison installer silently in a fresh Wine prefix (GBK code page) and checks
# each result against the payload catalogue with check_install.py:
#   1. the default root, C:\Program Files\ (no /D);
#   2. a root with Chinese characters and a blank, given with /D; the uninstall values still
#      name the first root, since an installation keeps the values an earlier one wrote;
#   3. the default root again, over the hidden and system files of the first installation.
# Before the installs the prefix gets the Quick Launch folder that current systems have and a
# new Wine prefix lacks. Prints the wall time of each silent install.
#
#   bench/nsis/check_install.sh <installer.exe> <contents-folder> [state-folder]
#
# The state folder (default: a new one under /tmp) holds the prefix and is removed at the end
# unless it was given.
set -euo pipefail

installer=${1:?usage: check_install.sh <installer.exe> <contents-folder> [state-folder]}
contents=${2:?usage: check_install.sh <installer.exe> <contents-folder> [state-folder]}
here=$(cd "$(dirname "$0")" && pwd)
wine_env="$here/../../tools/wine/wine-env"
key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vorlane'
default_root='C:\Program Files\'
chosen_root='C:\安装 测试'

if [ -n "${3:-}" ]; then
  state=$3
  cleanup() { "$wine_env" teardown "$state"; }
else
  state=$(mktemp -d /tmp/nsis-check.XXXXXX)
  cleanup() { "$wine_env" teardown "$state"; rm -rf "$state"; }
fi
"$wine_env" setup "$state" >/dev/null
trap cleanup EXIT
prefix="$state/prefix"

appdata=$(find "$prefix/drive_c/users" -maxdepth 3 -type d -name Roaming | grep -v /Public/ | head -n 1)
mkdir -p "$appdata/Microsoft/Internet Explorer/Quick Launch"
cp "$installer" "$prefix/drive_c/VorlaneNsis.exe"

# Wine quotes an argument that holds a blank, and the installer takes /D= only unquoted and
# last: a batch file (GBK, as cmd reads it) hands over the command line as written. cmd waits
# for a program started from a batch file.
mkdir -p "$prefix/drive_c/$(basename "${chosen_root//\\//}")"
printf '@C:\\VorlaneNsis.exe /S /D=%s\r\n' "$chosen_root" | iconv -f UTF-8 -t GBK >"$prefix/drive_c/install.bat"

install() {
  local start end
  start=$(date +%s%N)
  "$wine_env" run "$state" "$@"
  end=$(date +%s%N)
  echo "check: silent install ($*) took $(((end - start) / 1000000)) ms"
}

verify() {
  local root=$1 registry_root=$2
  "$wine_env" run "$state" reg query "$key" >"$state/registry.txt" 2>/dev/null || true
  python3 "$here/check_install.py" --prefix "$prefix" --root "$root" --registry-root "$registry_root" \
    --registry-dump "$state/registry.txt" "$contents"
}

status=0
install 'C:\VorlaneNsis.exe' /S
verify "$default_root" "$default_root" || status=1
install cmd /c 'C:\install.bat'
verify "$chosen_root" "$default_root" || status=1
install 'C:\VorlaneNsis.exe' /S
verify "$default_root" "$default_root" || status=1
exit $status
