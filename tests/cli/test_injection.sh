#!/usr/bin/env bash
# Quotes, %, _, backslash, markup, 10,000 characters and an emoji in every text ferix-cli
# accepts: stored and read back unchanged (injection_sweep.py does the work).
command -v python3 >/dev/null || { echo "SKIP: python3 is not installed"; exit 77; }
exec python3 "$(dirname "$0")/injection_sweep.py" "$1"
