#!/usr/bin/env bash
# A small filesystem for the installation on a full disk: too small for the payload.
#   small_disk.sh setup <dir>     mounts a 2 MiB tmpfs at <dir>; where mounting is not permitted,
#                                 leaves <dir> an ordinary folder (the test then skips)
#   small_disk.sh cleanup <dir>   unmounts it
set -uo pipefail
cmd=${1:?usage: small_disk.sh setup|cleanup <dir>}
dir=${2:?folder missing}
case "$cmd" in
  setup)
    mkdir -p "$dir"
    mountpoint -q "$dir" && umount "$dir"
    if ! mount -t tmpfs -o size=2m tmpfs "$dir" 2>/dev/null; then
      echo "small_disk: cannot mount a tmpfs here; the full-disk installation is skipped"
    fi
    exit 0 ;;
  cleanup)
    mountpoint -q "$dir" && { umount "$dir" || umount -l "$dir"; }
    exit 0 ;;
  *) echo "small_disk: unknown command $cmd" >&2; exit 2 ;;
esac
