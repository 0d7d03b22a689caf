#!/usr/bin/env bash
# Checks that every C++ file of the tree is laid out as .clang-format says
# (clang-format --dry-run -Werror). It reads the files themselves, so it works
# the same in a shallow clone or an unpacked source archive.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

mapfile -t files < <(find src tests bench fuzz -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
if [ "${#files[@]}" -eq 0 ]; then
  echo "check-format: no C++ file found under $root" >&2
  exit 1
fi
clang-format --dry-run -Werror "${files[@]}"
echo "check-format: ${#files[@]} C++ files are formatted"
