#!/usr/bin/env bash
# Registers the in-process automation servers of a build (libkestrin2.so,
# and libgorlith.so once it is built) in the user's class registry, through
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
for library in "$build/poller/libkestrin2.so" "$build/firmware/server/libgorlith.so"; do
    [[ -f "$library" ]] || continue
    found=1
    "$autocall" "$action" "$(realpath "$library")"
    echo "register-servers: ${action#--}ed $library"
done
if [[ $found == 0 ]]; then
    echo "register-servers: no server library in $build" >&2
    exit 1
fi
