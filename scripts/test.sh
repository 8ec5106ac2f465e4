#!/usr/bin/env bash
# Sets up (packages, build) and runs the whole test suite: unit tests, scenario files, the
# Qt front end (offscreen) and the real back ends (generated images, PulseAudio null sink);
# then the unit tests and scenario files once more under AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/), with two virtual hours of the soak run; then the
# threaded code, the unit tests and the real back ends (the PCM pipeline, the sound-server
# sink, the drives), under ThreadSanitizer (build-tsan/, suppressions in tests/tsan.supp). Any
# sanitizer report fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# The PipeWire entries' private daemons now and then skip a graph cycle or two of a stream
# they have audio for (on some machines in most runs of the 200-command test, with the program
# before and after a change alike), which the sample-exact checks see: they get three tries
# (as in the TSan pass).
ctest --test-dir build --output-on-failure -j"$(nproc)" -E '^pipewire\.'
ctest --test-dir build --output-on-failure -R '^pipewire\.' --repeat until-pass:3

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1 \
  -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DLIRAFOK_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$(nproc)" --target lirafok_unit_tests lirafok-scenario lirafok_soak
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$(nproc)"

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1 \
  -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DLIRAFOK_TSAN=ON >/dev/null
cmake --build build-tsan -j"$(nproc)" --target lirafok_unit_tests lirafok_real_tests
ctest --test-dir build-tsan --output-on-failure -j"$(nproc)" -E '^pipewire\.'
# PipeWire's private daemons can drop a graph cycle (see above), more often beside the slowed
# process. That entry gets three tries, but a race reported in any try still fails the pass.
ctest --test-dir build-tsan --output-on-failure -R '^pipewire\.' --repeat until-pass:3 |
  tee build-tsan/pipewire.log
if grep -q "WARNING: ThreadSanitizer" build-tsan/pipewire.log; then exit 1; fi
# The Debian package: built, checked by lintian, installed, heard playing, removed.
bash scripts/package_check.sh
