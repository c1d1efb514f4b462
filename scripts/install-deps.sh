#!/usr/bin/env bash
# Installs the Debian packages listed in packages.txt that are not installed yet.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(grep -v '^\s*#' "$here/packages.txt" | sed '/^\s*$/d')
missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# A zh_HK locale lets the tests check dates as a Hong Kong user sees them.
if ! locale -a 2>/dev/null | grep -qi '^zh_HK.utf8$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if ! grep -q '^zh_HK.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'zh_HK.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  fi
  $sudo locale-gen >/dev/null 2>&1 || true
fi
