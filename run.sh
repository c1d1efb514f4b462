#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with FOLDER (default ./data)
# as the database directory.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
cd "$top"
./scripts/install-deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release >/dev/null
# Only the program and the files it needs; the tests are built by ./test.sh.
cmake --build build-release -j"$(nproc)" --target dosarix dosarix_uno dosarix_manual dosarix_print_template
folder=${1:-"$top/data"}
mkdir -p "$folder"
# The program expects its help pages, manual and print template beside the data file.
# Only missing files are copied: a template or page the home has changed is kept.
cp -rn "$top"/templates/. "$folder"/ 2>/dev/null || true
cp -rn "$top"/build-release/templates/. "$folder"/ 2>/dev/null || true
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
  echo "No display found. Run the program under a virtual display, for example:"
  echo "  xvfb-run -a ./run.sh ${1:-}"
  exit 1
fi
cd "$folder"
exec "$top/build-release/app/dosarix"
