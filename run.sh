#!/usr/bin/env bash
# Installs what is missing, builds, makes the demo environment under demo/ and starts the
# host on it: the window when a display is there, --headless otherwise. Extra arguments
# go to varnis-process (for example: ./run.sh --run stock).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target varnis-process

root=$PWD
demo=$PWD/demo
scripts/demo/setup-demo "$demo"
trap '"$root/scripts/demo/start-services" stop "$demo"' EXIT
scripts/demo/start-services start "$demo"

args=("$@")
if [ ${#args[@]} -eq 0 ]; then
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then args=(); else args=(--headless); fi
fi
cd "$demo"
echo "Starting varnis-process ${args[*]} (log: $demo/VarnisProcess.log; Ctrl+C ends it)"
"$root/build/src/app/varnis-process" --config "$demo/VARNIS-A.ini" "${args[@]}"
