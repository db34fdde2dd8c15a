#!/usr/bin/env bash
# Installs what is missing, builds Runpad with its tests and runs the whole
# test suite through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh -DBUILD_TESTING=ON
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
ctest --test-dir build --output-on-failure -j2
