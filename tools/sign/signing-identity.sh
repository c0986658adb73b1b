#!/usr/bin/env bash
# Writes what the build's signatures depend on (README, "Signing a release") to <stamp>, and
# touches the file only when that changed: the programs signed before another program carries
# them (the clean-up helper, the uninstaller, the player) are signed again, and what carries them
# linked again, exactly when the certificate, its key or the time-stamping service changed.
#
#   signing-identity.sh [--settings <file>] <stamp>
set -euo pipefail
source "$(dirname "$0")/settings.sh"
stamp=${arguments[0]}
digest() { sha256sum <"$1" | cut -d' ' -f1; }

if [ -z "${SIGN_CERT:-}" ]; then
  identity="unsigned"
else
  identity="certificate $(digest "$SIGN_CERT")"
  if [ -n "${SIGN_KEY:-}" ]; then identity+=" key $(digest "$SIGN_KEY")"; fi
  identity+=" time-stamped by ${SIGN_TIMESTAMP_URL:-nothing}"
fi
if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$identity" ]; then
  mkdir -p "$(dirname "$stamp")"
  printf '%s\n' "$identity" >"$stamp.new"
  mv "$stamp.new" "$stamp"
fi
