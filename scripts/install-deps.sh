#!/usr/bin/env bash
# Installs the Debian packages that building, testing and benchmarking need,
# and only those that are missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-image-formats-plugins qt6-svg-dev libgl1-mesa-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev libemf2svg-dev libwmf-dev
  libjpeg-dev libgif-dev  # the loader's own JPEG and GIF decoders
  xvfb xauth xdotool xclip x11-utils libxcb1-dev fonts-dejavu-core
)
if [ "${1:-}" = "--bench" ]; then
  packages+=(imagemagick libvips-tools time)
  packages+=(libjpeg-turbo-progs)  # djpeg: the floor of the JPEG load figure
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
