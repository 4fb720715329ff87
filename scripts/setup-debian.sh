#!/bin/sh
# Installs what building, running and testing need on Debian 12. Safe to run again.
set -e
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
  build-essential cmake ninja-build pkg-config python3 \
  libgtest-dev libgmock-dev libbenchmark-dev \
  libusb-1.0-0-dev umockdev libumockdev-dev \
  srecord sdcc sdcc-ucsim binutils g++-mingw-w64-i686 nlohmann-json3-dev \
  qt6-base-dev qt6-multimedia-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev \
  libpq-dev postgresql-15 \
  fonts-wqy-microhei xvfb xauth dpkg-dev file \
  scdoc bash-completion lintian desktop-file-utils appstream clang-format >/dev/null
# The debug adapter's test client runs on Node.js; a machine that already has a Node.js with npm
# (from another packager, which conflicts with Debian's npm) keeps it.
if ! command -v npm >/dev/null 2>&1; then
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
fi
# Lets a normal user open the programmer without root.
if [ -d /etc/udev/rules.d ] && [ -f packaging/60-vantor.udev.rules ]; then
  $SUDO install -m 0644 packaging/60-vantor.udev.rules /etc/udev/rules.d/60-vantor.rules
  command -v udevadm >/dev/null 2>&1 && $SUDO udevadm control --reload-rules 2>/dev/null || true
fi
