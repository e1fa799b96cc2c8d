#!/bin/sh
# The shared library exports only the tes* interface and nothing a host
# process could clash with (no bare Format, Val, ...).
lib="$1"
others=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -v '^tes')
if [ -n "$others" ]; then
    echo "unexpected exports:"; echo "$others"; exit 1
fi
for f in tesCreateContext tesCompile tesExecute tesFreeContext tesVersion; do
    nm -D --defined-only "$lib" | awk '{print $3}' | grep -qx "$f" || { echo "missing export $f"; exit 1; }
done
echo "exports ok"
