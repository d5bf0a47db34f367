#!/usr/bin/env bash
# Installs everything the system and its tests need, from Debian 12 packages only.
# Safe to run again: packages already present are left as they are.
set -euo pipefail

packages=(
  # compiler and build tools
  build-essential cmake ninja-build ccache mold pkg-config git
  # Qt 6 (widgets, SQL with the MySQL/MariaDB driver)
  qt6-base-dev qt6-base-dev-tools libqt6sql6-mysql
  # automation over D-Bus (dbus-run-session and its session configuration
  # give `make run` a session bus when there is none)
  libsdbus-c++-dev libsystemd-dev dbus dbus-x11 dbus-session-bus-common
  # setcap, for the capability `cmake --install` gives mellick
  libcap2-bin
  # SNMP: library, agent and command-line tools
  libsnmp-dev snmpd snmp
  # raw frames and capture
  libpcap-dev iproute2 iputils-ping
  # alarm sound
  libasound2-dev libsndfile1-dev
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth atftpd atftp curl mariadb-server mariadb-client
  fonts-liberation2 fonts-wqy-microhei python3 locales
  # fuzzing (make fuzz): clang with libFuzzer and the sanitizer runtimes
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi

# The formatter and parser tests run under a comma-decimal locale too.
ensure_test_locale() {
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
  fi
}

if [ ${#missing[@]} -eq 0 ]; then
  ensure_test_locale
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
# Daemons are started by the tests themselves, on loopback or in namespaces;
# keep package scripts from starting system-wide instances.
policy=/usr/sbin/policy-rc.d
own_policy=0
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
  $sudo chmod 755 "$policy"
  own_policy=1
fi
cleanup() { if [ "$own_policy" -eq 1 ]; then $sudo rm -f "$policy"; fi; }
trap cleanup EXIT

$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
ensure_test_locale
