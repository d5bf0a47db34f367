#!/usr/bin/env bash
# A session of the operator program without hardware (make try): ostrel in
# a network namespace of its own, on a virtual card (try0) whose far end
# (try1) carries the simulated devices of tools/vgsim, a DSP unit of model 3
# (MAC 00602b0000a1, 198.18.1.10) and a model-21 amplifier (00602b0000a2,
# 198.18.1.11), each answered on its address by a simulated unit
# (tools/snmpagent --unit) that journals what it is sent. The program folder
# is prepared so that the card is chosen and both units have a stored
# hardware configuration; mellick runs on a session bus of the namespace.
# The script's arguments go to ostrel; everything goes when ostrel ends.
#
#   scripts/try.sh [ARG...]
#
# $OSTREL_HOME names the program folder to use (prepared only when it has
# no Ostrel.ini yet); without it a temporary one is made and removed.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd -P)"
build="$root/build/default"
ostrel="$build/ostrel/ostrel"
vgsim="$build/tools/vgsim/vgsim"
snmpagent="$build/tools/snmpagent/snmpagent"
mellick="$build/discovery/server/mellick"

readonly card=try0 far=try1 card_ip=198.18.1.1
# MAC, address, model name, serial number: what vgsim announces and what the
# hardware configuration stores.
readonly units=(
    "00602b0000a1 198.18.1.10 QLA-206A 0000a1-0001-TRYDSP01"
    "00602b0000a2 198.18.1.11 QLV-3300A 0000a2-0002-TRYAMP01"
)

say() { echo "try: $*" >&2; }

# Polls (a tenth of a second apart, ten seconds at most) until FILE has a
# line starting with TEXT.
wait_for_line() {
    local file=$1 text=$2 deadline=$((SECONDS + 10))
    until grep -q "^$text" "$file" 2>/dev/null; do
        if ((SECONDS >= deadline)); then
            say "no \"$text\" in $file:"
            cat "$file" >&2 || true
            return 1
        fi
        sleep 0.1
    done
}

# The hardware configuration of one unit, as the hardware configuration
# dialog writes it when the unit is added.
write_unit_config() {
    local mac=$1 model=$2 serial=$3 file inputs outputs i
    file="$home/Configuration/$mac.ini"
    [[ -e "$file" ]] && return 0
    case $model in
        QLA-206A) inputs=8 outputs=8 ;;
        QLV-3300A) inputs=2 outputs=2 ;;
    esac
    {
        echo "[Configuration]"
        echo "Model=$model"
        echo "Serial=$serial"
        echo "[DeviceProperty]"
        echo "DeviceMac=$mac"
        echo "DeviceType=$model"
        echo "TOLKType=0"
        echo "TxBundle1=$((16#${serial:7:4}))"
        echo "[InChannelType]"
        for ((i = 1; i <= inputs; ++i)); do
            if [[ $model == QLA-206A && $i -gt 6 ]]; then echo "InChannel$i=Mic"; else echo "InChannel$i=Line"; fi
        done
        echo "[InChannelProperty]"
        for ((i = 1; i <= inputs; ++i)); do
            if [[ $model == QLA-206A && $i -gt 6 ]]; then echo "InChannel$i=3"; else echo "InChannel$i=1"; fi
        done
        echo "[OutChannelType]"
        for ((i = 1; i <= outputs; ++i)); do echo "OutChannel$i=Line"; done
        echo "[OutChannelProperty]"
        for ((i = 1; i <= outputs; ++i)); do echo "OutChannel$i=1"; done
    } >"$file"
}

# The program folder: the shipped settings with the virtual card chosen and
# the units' range, so that no dialog stands between the start and the work.
prepare_home() {
    mkdir -p "$home/Configuration"
    if [[ ! -e "$home/Ostrel.ini" ]]; then
        sed -e "s/^IPStart=.*/IPStart=198.18.1.10/" -e "s/^IPEnd=.*/IPEnd=198.18.1.11/" \
            -e "s/^StartVisible=.*/StartVisible=0/" -e "s/^Adapter=.*/Adapter=$card/" \
            -e "s/^NetType=.*/NetType=Normal/" "$root/resources/Ostrel.ini" >"$home/Ostrel.ini"
    fi
    local unit
    for unit in "${units[@]}"; do
        read -r mac _ model serial <<<"$unit"
        write_unit_config "$mac" "$model" "$serial"
    done
}

# --- inside the namespace ---------------------------------------------------

if [[ "${1:-}" == --in-namespace ]]; then
    session=$2 home=$3
    shift 3
    pids=()
    # A process of this namespace still running (not yet a zombie).
    running() {
        local state
        [[ -r "/proc/$1/stat" ]] && read -r _ _ state _ <"/proc/$1/stat" && [[ $state != Z ]]
    }
    cleanup() {
        local pid entry deadline=$((SECONDS + 5)) started=()
        # mellick, which the bus starts, is no child of ours; this process
        # namespace holds only what the session started, so it is found by
        # its program, and waited for: it writes its state as it ends.
        for entry in /proc/[0-9]*; do
            [[ "$(readlink "$entry/exe" 2>/dev/null)" == "$mellick" ]] && started+=("${entry#/proc/}")
        done
        for pid in "${started[@]}" "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
        for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
        for pid in "${started[@]}"; do
            while running "$pid" && ((SECONDS < deadline)); do sleep 0.05; done
        done
        [[ -e "$session/remove" ]] && rm -rf "$session"
        return 0
    }
    trap cleanup EXIT
    trap 'exit 130' INT TERM

    ip link set lo up
    ip link add name "$card" type veth peer name "$far"
    ip addr add "$card_ip/24" dev "$card"
    ip link set "$card" up
    ip link set "$far" up
    # The units' agents listen on addresses of this namespace, but the
    # kernel must not answer ARP for them on the card's link: mellick takes
    # an answer from another MAC for a device already holding the address.
    echo 8 >/proc/sys/net/ipv4/conf/all/arp_ignore
    sim_args=()
    for unit in "${units[@]}"; do
        read -r mac ip _ <<<"$unit"
        ip addr add "$ip/32" dev lo
        sim_args+=(--device "$mac=$ip")
    done

    # The servers of the build, registered for this session only.
    export OSTREL_AUTOMATION_REGISTRY="$session/automation-classes.ini"
    export XDG_DATA_HOME="$session/data" MELLICK_HOME="$session/mellick"
    "$root/scripts/register-servers.sh" "$build" >/dev/null

    # Each simulator reads its commands from a pipe this shell holds open:
    # when the shell goes, they read the end and stop even if not killed.
    start_peer() {
        local name=$1 ready=$2
        shift 2
        mkfifo "$session/$name.in"
        exec {hold}<>"$session/$name.in"
        "$@" <"$session/$name.in" >"$session/$name.out" 2>&1 {hold}>&- &
        pids+=($!)
        wait_for_line "$session/$name.out" "$ready"
    }
    for unit in "${units[@]}"; do
        read -r _ ip _ <<<"$unit"
        start_peer "unit-$ip" "port 161" "$snmpagent" --address "$ip" --port 161 \
            --community vuzuvuz --unit --journal "$session/journal-$ip.log"
    done
    start_peer devices ready "$vgsim" --interface "$far" "${sim_args[@]}"

    # A session bus of this namespace, always: a bus outside would start
    # mellick outside, where the virtual card is not.
    dbus-daemon --session --nofork --print-address=3 3>"$session/bus.address" \
        2>>"$session/session-bus.log" &
    pids+=($!)
    wait_for_line "$session/bus.address" unix:
    DBUS_SESSION_BUS_ADDRESS="$(head -n 1 "$session/bus.address")"
    export DBUS_SESSION_BUS_ADDRESS

    cat >&2 <<EOF
try: the simulated installation is up (session folder $session):
  DSP unit  00602b0000a1 (QLA-206A)  198.18.1.10
  amplifier 00602b0000a2 (QLV-3300A) 198.18.1.11
  program folder $home
  what the units are sent: tail -f $session/journal-198.18.1.10.log
                           (journal-198.18.1.11.log for the amplifier)
EOF
    # In the background, so that a signal to this shell reaches the program
    # at once rather than after it ended; the program's end ends the rest.
    OSTREL_HOME="$home" "$ostrel" "$@" &
    program=$!
    trap 'kill -TERM "$program" 2>/dev/null || true' INT TERM
    set +e
    wait "$program"
    status=$?
    # A wait cut short by a signal: the program is still ending.
    while kill -0 "$program" 2>/dev/null; do
        wait "$program"
        status=$?
    done
    set -e
    exit "$status"
fi

# --- outside -----------------------------------------------------------------

for program in "$ostrel" "$vgsim" "$snmpagent" "$mellick"; do
    if [[ ! -x "$program" ]]; then
        say "$program is not built (make try builds it)"
        exit 1
    fi
done
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    cat >&2 <<'EOF'
try: no display (neither DISPLAY nor WAYLAND_DISPLAY is set) for ostrel's windows.
  xvfb-run -a make try                  runs it on a virtual display
  QT_QPA_PLATFORM=offscreen make try    a smoke run without any window
EOF
    exit 1
fi

# An unprivileged user namespace where the kernel allows one (root needs
# none) holding the network namespace, and a process namespace whose end,
# when the script ends however it ends, ends every process started in it.
enter=(unshare --net --pid --fork --kill-child --mount-proc)
if [[ $EUID -ne 0 ]] && "${enter[@]}" --user --map-root-user true 2>/dev/null; then
    enter+=(--user --map-root-user)
elif [[ $EUID -ne 0 ]]; then
    say "this kernel does not let a user make a network namespace; run make try as root"
    exit 1
fi

session="$(mktemp -d "${TMPDIR:-/tmp}/ostrel-try.XXXXXX")"
touch "$session/remove"
home="$(realpath -m "${OSTREL_HOME:-$session/home}")"
prepare_home
# The namespace has no way out: a display must be reached through a socket
# file (DISPLAY=:N, Wayland), not over TCP.
exec "${enter[@]}" "$root/scripts/try.sh" --in-namespace "$session" "$home" "$@"
