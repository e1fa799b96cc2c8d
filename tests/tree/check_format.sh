#!/bin/sh
# Every C and C++ source that git tracks is formatted as .clang-format says.
# Lists the files that differ; `clang-format -i FILE` mends one.
cd "$1" || exit 2
if ! command -v clang-format >/dev/null 2>&1; then
    echo "clang-format is missing (scripts/install-deps installs it)"; exit 1
fi
files=$(git ls-files '*.c' '*.cpp' '*.h')
[ -n "$files" ] || { echo "no sources found (not a git checkout?)"; exit 1; }
bad=""
for f in $files; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad="$bad $f"
done
if [ -n "$bad" ]; then
    echo "not formatted (run clang-format -i on them):"; for f in $bad; do echo "  $f"; done; exit 1
fi
echo "$(echo "$files" | wc -l) files formatted"
