#!/usr/bin/env bash
# A 1 MiB filesystem mapped as drive Q: of the test run's Wine prefix, for the full-disk test.
#   full_disk.sh setup <wine state>     mounts a tmpfs and maps it; where mounting is not
#                                       permitted, leaves Q: unmapped (the test then skips)
#   full_disk.sh cleanup <wine state>   unmaps and unmounts
set -uo pipefail

cmd=${1:?usage: full_disk.sh setup|cleanup <wine state>}
state=${2:?wine state folder missing}
mountpoint_dir="$state/full_disk"
drive="$state/prefix/dosdevices/q:"

case "$cmd" in
  setup)
    [ -d "$state/prefix/dosdevices" ] || { echo "full_disk: no Wine prefix in $state" >&2; exit 1; }
    rm -f "$drive"
    mkdir -p "$mountpoint_dir"
    if ! mountpoint -q "$mountpoint_dir"; then
      if ! mount -t tmpfs -o size=1m tmpfs "$mountpoint_dir" 2>"$state/full_disk.log"; then
        echo "full_disk: cannot mount a tmpfs here ($(cat "$state/full_disk.log")); Q: stays unmapped"
        exit 0
      fi
    fi
    ln -s "$mountpoint_dir" "$drive"
    echo "full_disk: Q: is a 1 MiB tmpfs at $mountpoint_dir"
    ;;
  cleanup)
    rm -f "$drive"
    if mountpoint -q "$mountpoint_dir"; then umount "$mountpoint_dir" || umount -l "$mountpoint_dir"; fi
    rmdir "$mountpoint_dir" 2>/dev/null || true
    ;;
  *)
    echo "full_disk: unknown command $cmd" >&2; exit 2 ;;
esac
