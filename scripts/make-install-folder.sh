#!/usr/bin/env bash
# Makes a self-contained install folder from a build:
#   scripts/make-install-folder.sh BUILD_DIR PARENT [VERSION]
# gives PARENT/Quorvane with bin/, share/quorvane/ and the marker file
# "quorvane-install.txt" holding the version (the build's project version
# unless given). Only such a folder updates, moves and uninstalls itself.
# An existing PARENT/Quorvane is replaced only when it carries the marker, and
# only after the new folder is complete.
set -euo pipefail

if [ "$#" -lt 2 ] || [ "$#" -gt 3 ]; then
  echo "usage: scripts/make-install-folder.sh BUILD_DIR PARENT [VERSION]" >&2
  exit 64
fi
build="$1"
parent="$2"
version="${3:-}"
if [ -z "$version" ]; then
  version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt" 2>/dev/null | head -n 1)"
fi
if ! [[ "$version" =~ ^[0-9][0-9.]*$ ]] || [ "${#version}" -gt 32 ]; then
  echo "make-install-folder: not a version: '$version'" >&2
  exit 65
fi

mkdir -p -- "$parent"
dest="$parent/Quorvane"
if [ -e "$dest" ] && [ ! -f "$dest/quorvane-install.txt" ]; then
  echo "make-install-folder: $dest exists and is not an install folder; leaving it alone" >&2
  exit 73
fi
stage="$(mktemp -d -- "$parent/.Quorvane.new.XXXXXX")"
trap 'rm -rf -- "$stage"' EXIT
cmake --install "$build" --prefix "$stage" >/dev/null
if [ ! -x "$stage/bin/quorvane" ]; then
  echo "make-install-folder: the build installed no bin/quorvane" >&2
  exit 66
fi
printf '%s\n' "$version" > "$stage/quorvane-install.txt"
chmod 755 -- "$stage"

if [ -e "$dest" ]; then
  old="$(mktemp -d -- "$parent/.Quorvane.old.XXXXXX")"
  rmdir -- "$old"
  mv -T -- "$dest" "$old"
  mv -T -- "$stage" "$dest"
  rm -rf -- "$old"
else
  mv -T -- "$stage" "$dest"
fi
trap - EXIT
echo "$dest"
