#!/bin/sh
# A file system too small for what the save test writes: a 64 KB tmpfs,
# mounted before the test and removed after it (a ctest fixture). Beside it,
# <folder>.share, a folder in which a file may be changed but none made, as
# on some shares: it is immutable, which binds root too, and holds one file,
# liste.bin.
#   small_disk.sh mount|unmount <folder>
# Mounting and chattr need root. Without it the folders stay ordinary ones,
# this script still succeeds, and the tests skip with their reason.
set -u
action=$1
dir=$2
share=$dir.share
mounted() { grep -qs " $dir tmpfs " /proc/mounts; }
remove_share() {
  if [ -d "$share" ]; then chattr -i "$share" 2>/dev/null; rm -rf "$share"; fi
}
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
    remove_share
    mkdir -p "$share" && printf 'alte Datei' > "$share/liste.bin"
    if chattr +i "$share" 2>/dev/null; then
      echo "small_disk: $share takes no new file"
    else
      echo "small_disk: $share takes new files (chattr +i needs root); the in-place save test skips"
    fi
    ;;
  unmount)
    if mounted; then umount "$dir" || umount -l "$dir"; fi
    remove_share
    ;;
  *)
    echo "usage: small_disk.sh mount|unmount <folder>" >&2
    exit 2
    ;;
esac
exit 0
