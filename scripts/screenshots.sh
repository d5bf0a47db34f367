#!/usr/bin/env bash
# The README's pictures (docs/screenshots/), taken of the operator program's
# own windows on the offscreen platform by the build's screenshots tool:
# the main window with a device sheet, and a DSP sheet with an equalizer's
# dialog open. The documents are the test fixtures of one device or module
# of every kind. Run it again after a change to the windows' looks.
#
#   scripts/screenshots.sh [BUILD_DIR [OUT_DIR]]
#       (default: build/default and docs/screenshots)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath "${1:-$root/build/default}")"
tool="$build/ostrel/screenshots"
if [[ ! -x "$tool" ]]; then
    echo "screenshots: $tool is not built (cmake --build $build --target screenshots)" >&2
    exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The fixtures are kept as commented hex; their reader makes the files.
python3 - "$root/tests/tools" "$work" \
    "$root/tests/device_editor/fixtures/zo_every_kind.hex" \
    "$root/tests/dsp_editor/fixtures/dsp_every_kind.hex" <<'PY'
import pathlib, sys
sys.path.insert(0, sys.argv[1])
from archive_reader import parse_hex
work = pathlib.Path(sys.argv[2])
(work / "installation.zo").write_bytes(parse_hex(pathlib.Path(sys.argv[3]).read_text()))
(work / "signal-flow.dsp").write_bytes(parse_hex(pathlib.Path(sys.argv[4]).read_text()))
PY

# The poller the program starts with, registered for this run only.
export OSTREL_AUTOMATION_REGISTRY="$work/automation-classes.ini" XDG_DATA_HOME="$work/data"
"$root/scripts/register-servers.sh" "$build" >/dev/null

out="$(realpath -m "${2:-$root/docs/screenshots}")"
mkdir -p "$out"
if ! QT_QPA_PLATFORM=offscreen OSTREL_MESSAGE_LOG="$work/messages.log" \
    "$tool" "$work/installation.zo" "$work/signal-flow.dsp" "$out"; then
    cat "$work/messages.log" >&2 2>/dev/null || true
    exit 1
fi
if [[ -s "$work/messages.log" ]]; then
    echo "screenshots: the program said:" >&2
    cat "$work/messages.log" >&2
fi
echo "screenshots: wrote $out/main-window.png and $out/dsp-equalizer.png"
