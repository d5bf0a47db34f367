#!/usr/bin/env bash
# The main job of the build in build/default: registers the automation
# servers in the user's class registry and opens the automation script host
# on them, reading commands from the terminal (or from standard input).
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/default
./scripts/register-servers.sh "$build"
if [[ -t 0 ]]; then
    cat <<'HELP'
autocall: drive the system's automation servers, one command per line; end with Ctrl-D.
  m = create kestrin2.com_manager.1
  m.start
  v = m.get "127.0.0.1" "1.3.6.1.2.1.1.5.0"
  print v.valid v.value
HELP
fi
exec "$build/tools/autocall/autocall"
