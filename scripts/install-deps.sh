#!/bin/sh
# Installs every Debian package the build, the tests and CI need.
# Quick when everything is there already: apt is asked only for what is missing.
set -eu

PACKAGES="cmake ninja-build g++ clang libclang-rt-14-dev pkg-config \
libgtest-dev libgmock-dev libbenchmark-dev \
libsdl2-dev libgl1-mesa-dri libglx-mesa0 libegl-mesa0 libgl-dev libfreetype-dev fonts-dejavu-core fonts-liberation2 \
zlib1g-dev libpng-dev xvfb xauth x11-utils python3-aiosmtpd dovecot-core dovecot-pop3d \
libjpeg-turbo-progs libjpeg62-turbo-dev"

missing=""
for package in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done

if [ -n "$missing" ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "Installing:$missing"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
  # shellcheck disable=SC2086
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi
