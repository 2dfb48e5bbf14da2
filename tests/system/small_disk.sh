#!/bin/sh
# A file system too small for what the save test writes: a 64 KB tmpfs,
# mounted before the test and removed after it (a ctest fixture).
#   small_disk.sh mount|unmount <folder>
# Mounting needs root. Without it the folder stays an ordinary one, this
# script still succeeds, and the test skips with its reason.
set -u
action=$1
dir=$2
mounted() { grep -qs " $dir tmpfs " /proc/mounts; }
case "$action" in
  mount)
    mkdir -p "$dir"
    # One left by a run that was stopped.
    mounted && umount "$dir"
    if mount -t tmpfs -o size=64k tmpfs "$dir"; then
      echo "small_disk: a 64 KB tmpfs at $dir"
    else
      echo "small_disk: no tmpfs at $dir (mounting needs root); the save test skips"
    fi
    ;;
  unmount)
    if mounted; then umount "$dir" || umount -l "$dir"; fi
    ;;
  *)
    echo "usage: small_disk.sh mount|unmount <folder>" >&2
    exit 2
    ;;
esac
exit 0
