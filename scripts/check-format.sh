#!/usr/bin/env bash
# Checks that the C++ files changed since the commit named in .ci/format-base
# are laid out as .clang-format says (clang-format --dry-run -Werror). Files
# that have not changed since then are left as they are; a developer moves
# the base forward once the files before it are formatted. Needs the history
# back to that commit (a full clone).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

base="$(tr -d '[:space:]' < .ci/format-base)"
if ! git cat-file -e "${base}^{commit}" 2>/dev/null; then
  echo "check-format: the base commit $base of .ci/format-base is not in this clone's history" >&2
  exit 1
fi

# Changed, added, copied or renamed since the base, including changes not yet
# committed; deleted files have nothing to check.
mapfile -t files < <(git diff --name-only --diff-filter=ACMR "$base" -- '*.cpp' '*.h')
if [ "${#files[@]}" -eq 0 ]; then
  echo "check-format: no C++ file changed since $base"
  exit 0
fi
clang-format --dry-run -Werror "${files[@]}"
echo "check-format: ${#files[@]} changed C++ files are formatted"
