#!/usr/bin/env bash
# Runs the view screenshot program under Xvfb; exit 77 (skipped) without xvfb-run.
# Usage: run_screenshots.sh PROGRAM FOLDER
set -euo pipefail
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "view_screenshots: xvfb-run not installed, skipped"
  exit 77
fi
unset QT_QPA_PLATFORM
exec xvfb-run -a -s "-screen 0 1600x900x24" "$1" "$2"
