#!/usr/bin/env bash
# Sets up (packages, build) and runs the whole test suite: unit tests, scenario files, the
# Qt front end (offscreen) and the real back ends (generated images, PulseAudio null sink).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"
