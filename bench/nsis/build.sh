#!/usr/bin/env bash
# Builds the comparison installer: the Vorlane payload behind NSIS pages, stored uncompressed.
#
#   bench/nsis/build.sh <contents-folder> <output.exe>
#
# <contents-folder> is the built payload (build/win32/payload/contents: NN, one file per stored
# entry). The generated script and its agreement text go into <output>-script/ beside the
# output, so that a failed build can be read there.
#
# Two builds from the same contents give the same bytes: the files' dates are not stored
# (SetDateSave off) and makensis writes no build time into the program.
set -euo pipefail

contents=${1:?usage: build.sh <contents-folder> <output.exe>}
output=${2:?usage: build.sh <contents-folder> <output.exe>}
here=$(cd "$(dirname "$0")" && pwd)

command -v makensis >/dev/null || { echo "build.sh: makensis is missing (tools/setup.sh installs it)" >&2; exit 1; }
[ -d "$contents" ] || { echo "build.sh: no contents folder $contents" >&2; exit 1; }

mkdir -p "$(dirname "$output")"
output=$(cd "$(dirname "$output")" && pwd)/$(basename "$output")
script_dir=${output%.exe}-script
rm -rf "$script_dir"

python3 "$here/make_script.py" "$contents" "$script_dir"
# Relative names in the script (the agreement text) are found beside it; the log stays there.
(cd "$script_dir" && makensis -V2 -INPUTCHARSET UTF8 "-DOUTPUT=$output" VorlaneNsis.nsi >makensis.log 2>&1) || {
  cat "$script_dir/makensis.log" >&2
  echo "build.sh: makensis failed; the script is $script_dir/VorlaneNsis.nsi" >&2
  exit 1
}
echo "build.sh: $output ($(stat -c %s "$output") bytes)"
