#!/usr/bin/env bash
# The main job of the build in build/default: registers the automation
# servers in the user's class registry and starts the operator program
# ostrel on them, passing on the script's arguments (a .zo or .dsp file).
set -euo pipefail

# Started by dbus-run-session below as its bus daemon: the daemon's own
# messages go to a log file, not among the program's.
if [[ -n "${OSTREL_RUN_MAIN_BUS_LOG:-}" ]]; then
    exec dbus-daemon "$@" 2>>"$OSTREL_RUN_MAIN_BUS_LOG"
fi

cd "$(dirname "$0")/.."
build=build/default
ostrel="$build/ostrel/ostrel"
mellick="$build/discovery/server/mellick"
if [[ ! -x "$ostrel" ]]; then
    echo "run-main: $ostrel is not built" >&2
    exit 1
fi

# ostrel is a window program: without a display Qt would stop it with a
# message about plugins that tells the user nothing.
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    cat >&2 <<'EOF'
run-main: no display (neither DISPLAY nor WAYLAND_DISPLAY is set) for ostrel's windows.
  xvfb-run -a make run                  runs it on a virtual display
  QT_QPA_PLATFORM=offscreen make run    a smoke run without any window
EOF
    exit 1
fi

./scripts/register-servers.sh "$build"

# The packet-capture watch (ostrel) and the discovery server (mellick) read
# raw frames. Without the capability they still run and say what fails.
has_net_raw() {
    local getcap
    getcap="$(command -v getcap || echo /usr/sbin/getcap)"
    [[ -x "$getcap" ]] && "$getcap" "$1" | grep -Eq 'cap_net_raw[a-z_,]*[+=][a-z]*e'
}
if [[ $EUID -ne 0 ]] && ! { has_net_raw "$ostrel" && has_net_raw "$mellick"; }; then
    {
        echo "run-main: ostrel's packet-capture watch and mellick read raw frames, which needs"
        echo "CAP_NET_RAW: run as root, or give both programs the capability (again after"
        echo "every build that relinks them):"
        for program in "$ostrel" "$mellick"; do
            echo "  sudo setcap cap_net_raw+ep $(realpath "$program")"
        done
    } >&2
fi

# mellick is reached over the D-Bus session bus, which starts it on the
# first call. A login without a session bus (a text console, ssh, a
# container) gets one of its own for as long as ostrel runs.
if [[ -z "${DBUS_SESSION_BUS_ADDRESS:-}" && ! -S "${XDG_RUNTIME_DIR:-/nonexistent}/bus" ]]; then
    log="$(realpath "$build")/session-bus.log"
    : >"$log"
    # The bus looks for the service files that registration wrote where
    # $XDG_DATA_HOME says, else in the passwd entry's home, not $HOME.
    exec env OSTREL_RUN_MAIN_BUS_LOG="$log" XDG_DATA_HOME="${XDG_DATA_HOME:-$HOME/.local/share}" \
        dbus-run-session --dbus-daemon="$(realpath "$0")" -- \
        env -u OSTREL_RUN_MAIN_BUS_LOG "$ostrel" "$@"
fi
exec "$ostrel" "$@"
