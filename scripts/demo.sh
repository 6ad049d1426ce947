#!/usr/bin/env bash
# The main job: builds the plug-in and vantor-host natively and lets the host list the
# plug-in's operations with their descriptions and texts. Hold the service chord with
# DEVVORIN_KEYS=ctrl,alt to see the service operation too.
set -euo pipefail

cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target vantor-host DevVorin -j "${DEVVORIN_JOBS:-2}" >/dev/null
./build/native/vantor-host list "$@"
