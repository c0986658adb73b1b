#!/usr/bin/env bash
# Signs a program the build makes, in place, with the publisher's certificate when the environment
# names one (README, "Signing a release"):
#   SIGN_CERT and SIGN_PASSWORD   a PKCS#12 file and its password, or
#   SIGN_CERT and SIGN_KEY        a PEM certificate (its chain after it) and its PEM key;
#   SIGN_TIMESTAMP_URL            an RFC 3161 time-stamping service (optional), so that the
#                                 signature outlives the certificate.
# An Authenticode signature with SHA-256, made by osslsigncode. Without SIGN_CERT a signature an
# earlier build made is taken off again: the unsigned build is byte for byte the program as linked.
#
#   sign-program.sh [--settings <file>] <program> <description>
set -euo pipefail
source "$(dirname "$0")/settings.sh"
program=${arguments[0]}
description=${arguments[1]}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ -z "${SIGN_CERT:-}" ]; then
  if osslsigncode extract-signature -in "$program" -out "$work/signature" >/dev/null 2>&1; then
    osslsigncode remove-signature -in "$program" -out "$work/program" >/dev/null
    mv "$work/program" "$program"
  fi
  exit 0
fi

arguments=(sign -h sha256 -n "$description")
if [ -n "${SIGN_KEY:-}" ]; then
  arguments+=(-certs "$SIGN_CERT" -key "$SIGN_KEY")
else
  # The password goes through a file only this user may read, never on a command line that
  # every process of the machine can see.
  (umask 077 && printf '%s' "${SIGN_PASSWORD:-}" >"$work/password")
  arguments+=(-pkcs12 "$SIGN_CERT" -readpass "$work/password")
fi
if [ -n "${SIGN_TIMESTAMP_URL:-}" ]; then arguments+=(-ts "$SIGN_TIMESTAMP_URL"); fi
osslsigncode "${arguments[@]}" -in "$program" -out "$work/program" >/dev/null
mv "$work/program" "$program"
