#!/usr/bin/env bash
# The main job of the build in build/default: registers the automation
# servers in the user's class registry and opens the automation script host
# on them. On a terminal autocall prompts and runs each line as it is typed;
# otherwise it runs standard input as a script.
set -euo pipefail

# Started by dbus-run-session below as its bus daemon: the daemon's own
# messages go to a log file, not between the user's lines.
if [[ -n "${OSTREL_RUN_MAIN_BUS_LOG:-}" ]]; then
    exec dbus-daemon "$@" 2>>"$OSTREL_RUN_MAIN_BUS_LOG"
fi

cd "$(dirname "$0")/.."
build=build/default
autocall="$build/tools/autocall/autocall"
./scripts/register-servers.sh "$build"

# mellick is reached over the D-Bus session bus, which starts it on the
# first call. A login without a session bus (a text console, ssh, a
# container) gets one of its own for as long as autocall runs.
if [[ -z "${DBUS_SESSION_BUS_ADDRESS:-}" && ! -S "${XDG_RUNTIME_DIR:-/nonexistent}/bus" ]]; then
    log="$(realpath "$build")/session-bus.log"
    : >"$log"
    # The bus looks for the service files that registration wrote where
    # $XDG_DATA_HOME says, else in the passwd entry's home, not $HOME.
    exec env OSTREL_RUN_MAIN_BUS_LOG="$log" XDG_DATA_HOME="${XDG_DATA_HOME:-$HOME/.local/share}" \
        dbus-run-session --dbus-daemon="$(realpath "$0")" -- \
        env -u OSTREL_RUN_MAIN_BUS_LOG "$autocall"
fi
exec "$autocall"
