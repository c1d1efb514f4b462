#!/usr/bin/env bash
# Makes the README pictures again from the real program, offscreen:
#   app/screenshots/make-screenshots.sh [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-"$top/build-release"}
cmake -S "$top" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target dosarix_screenshots dosarix_print_template
QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8 \
  "$build/dosarix_screenshots" "$top/app/screenshots" "$build/templates/print.xls"
