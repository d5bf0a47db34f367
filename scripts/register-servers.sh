#!/usr/bin/env bash
# Registers the automation servers of a build (libkestrin2.so,
# libgorlith.so and the mellick program) in the user's class registry, through
# their own DllRegisterServer, so that programs create their classes by
# ProgID. The registry is $OSTREL_AUTOMATION_REGISTRY when set, else the
# user's (~/.local/share/ostrel/automation-classes.ini).
#
#   scripts/register-servers.sh [BUILD_DIR]     (default: build/default)
#   scripts/register-servers.sh --unregister [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

action=--register
if [[ "${1:-}" == "--unregister" ]]; then
    action=--unregister
    shift
fi
build=${1:-build/default}
autocall="$build/tools/autocall/autocall"
if [[ ! -x "$autocall" ]]; then
    echo "register-servers: $autocall is not built" >&2
    exit 1
fi

found=0
for library in "$build/poller/server/libkestrin2.so" "$build/firmware/server/libgorlith.so"; do
    [[ -f "$library" ]] || continue
    found=1
    "$autocall" "$action" "$(realpath "$library")"
    echo "register-servers: ${action#--}ed $library"
done
# The discovery server is a program: it registers itself (class registry
# and the D-Bus service file that lets the bus start it).
mellick="$build/discovery/server/mellick"
if [[ -x "$mellick" ]]; then
    found=1
    if [[ $action == --register ]]; then "$mellick" -RegServer; else "$mellick" -UnregServer; fi
    echo "register-servers: ${action#--}ed $mellick"
fi
if [[ $found == 0 ]]; then
    echo "register-servers: no server library in $build" >&2
    exit 1
fi
