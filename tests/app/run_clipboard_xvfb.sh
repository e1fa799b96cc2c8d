#!/usr/bin/env bash
# Runs the clipboard program under Xvfb; exit 77 (skipped) without xvfb-run.
# Usage: run_clipboard_xvfb.sh PROGRAM
set -euo pipefail
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "clipboard_xclip: xvfb-run not installed, skipped"
  exit 77
fi
export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 1280x800x24" "$1"
