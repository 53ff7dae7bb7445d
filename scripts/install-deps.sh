#!/usr/bin/env bash
# Installs the Debian packages that building and testing Pubforge need.
# Only what is missing is installed, so a second run is quick and quiet.
# apt's own output is shown; while another apt or dpkg holds the package
# lock, this waits for it (up to ten minutes) instead of failing.
#
#   scripts/install-deps.sh [--browser]
#
# --browser also installs Chromium for the browser tests.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  googletest libgtest-dev libgmock-dev
  libcurl4-openssl-dev libssl-dev
  libutf8proc-dev
  file poppler-utils
  clang libclang-rt-14-dev
  python3
  libxml2-utils
  pandoc
)
if [ "${1:-}" = "--browser" ]; then
  packages+=(chromium)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -gt 0 ] || exit 0

echo "install-deps: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
lock_wait=(-o DPkg::Lock::Timeout=600)

# `apt-get update` takes the lock of the package lists, which older apt
# versions do not wait for: try again for a while when it is held.
for attempt in $(seq 1 60); do
  if $sudo apt-get "${lock_wait[@]}" update; then
    break
  fi
  if [ "$attempt" -eq 60 ]; then
    echo "install-deps: apt-get update kept failing" >&2
    exit 1
  fi
  echo "install-deps: apt-get update failed (another apt may hold its lock); trying again in 10 s" >&2
  sleep 10
done
DEBIAN_FRONTEND=noninteractive $sudo apt-get "${lock_wait[@]}" install -y \
  "${missing[@]}"
