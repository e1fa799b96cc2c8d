#!/bin/bash
# The tessel runner as a command-line tool: --help and --version, unknown
# options, and --compile writing through a temporary file (a target that is
# not a regular file is refused and left alone; a write cut short by the
# file-size limit keeps the old file and leaves no temporary).
set -u
tessel="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

out=$("$tessel" --help) || fail "--help exits $?"
grep -q -- "--compile FILE.bas -o FILE.bin" <<<"$out" || fail "--help prints no usage: $out"
out=$("$tessel" --version) || fail "--version exits $?"
[[ "$out" == "Larchmere Tessel Version "* ]] || fail "--version prints: $out"
"$tessel" --no-such-option 2>"$dir/err" && fail "an unknown option succeeds"
grep -q "usage:" "$dir/err" || fail "an unknown option prints no usage"

printf 'Sub Main\n  Print "hi"\nEnd Sub\n' > "$dir/small.bas"
{ printf 'Sub Main\n'; for i in $(seq 1 300); do printf '  Print "line %d"\n' "$i"; done
  printf 'End Sub\n'; } > "$dir/big.bas"
"$tessel" --compile "$dir/small.bas" -o "$dir/code.bin" || fail "compile"
[[ $("$tessel" "$dir/code.bin") == " hi" ]] || fail "compiled code does not run"
cp "$dir/code.bin" "$dir/old.bin"

# 1 KiB limit: the big program's code does not fit.
(ulimit -f 1; "$tessel" --compile "$dir/big.bas" -o "$dir/code.bin" 2>"$dir/err"); rc=$?
[[ $rc == 1 ]] || fail "a cut-short save exits $rc"
grep -q "old file is unchanged" "$dir/err" || fail "no message: $(cat "$dir/err")"
cmp -s "$dir/code.bin" "$dir/old.bin" || fail "the old compiled file was changed"
[[ $(ls -A "$dir" | wc -l) == 5 ]] || fail "files left behind: $(ls -A "$dir")"

mkfifo "$dir/fifo"
ln -s /dev/null "$dir/null-link"
for target in /dev/null "$dir/fifo" "$dir/null-link"; do
    "$tessel" --compile "$dir/small.bas" -o "$target" 2>"$dir/err" && fail "saved to $target"
    grep -q "not a regular file" "$dir/err" || fail "$target: $(cat "$dir/err")"
done
[[ -p "$dir/fifo" && -L "$dir/null-link" ]] || fail "a refused target was replaced"
echo "tessel command line ok"
