#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer in build-fuzz/ and runs each
# for SECONDS seconds (default 60), two at a time, then prints a table:
# target, executions, corpus size, findings.
#
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
#
# The corpus of each target grows in build-fuzz/corpus/<target>/ from run to
# run; it starts from the project's own seeds (fuzz/make_seeds.cpp) and, when
# present, the shared corpora beside the checkout (../shared/corpora). Findings
# (crash-*, leak-*, timeout-*, oom-*) land in build-fuzz/findings/<target>/;
# replay one with: build-fuzz/fuzz/<target> <file>.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
shift || true

# The fuzzing compiler and runtime; not needed by the normal build.
PACKAGES=(clang-14 libclang-rt-14-dev)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
bash scripts/install-deps.sh

build=$root/build-fuzz
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBUILD_TESTING=OFF -DRUNPAD_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build "$build" -j2 --target fuzzers

if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < "$build/fuzzers.txt"
fi

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
rm -rf "$build/seeds"
QT_QPA_PLATFORM=offscreen "$build/fuzz/make_seeds" "$build/seeds"
shared=$root/../shared/corpora
[ -d "$shared" ] || shared=$root/../../shared/corpora # a worktree beside the checkout

# Extra seed folders of a target from the shared corpora, when present.
shared_seeds() {
  [ -d "$shared" ] || return 0
  case $1 in
    fuzz_json_reader | fuzz_json_table) echo "$shared/JSONTestSuite" ;;
    fuzz_picture_png) echo "$shared/PngSuite" ;;
    fuzz_picture_wmf | fuzz_picture_bmp)
      # Only the damaged files of the target's own kind.
      local kind=${1#fuzz_picture_} dir=$build/seeds/shared_$1
      rm -rf "$dir"
      mkdir -p "$dir"
      cp "$shared"/damaged/*."$kind" "$dir"/ 2>/dev/null || true
      echo "$dir" ;;
  esac
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=0:detect_leaks=1}
export LSAN_OPTIONS=suppressions=$root/.ci/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=$root/.ci/ubsan.supp
export QT_QPA_PLATFORM=offscreen

run_one() {
  local target=$1
  local corpus=$build/corpus/$target findings=$build/findings/$target log=$build/logs/$target.log
  mkdir -p "$corpus" "$findings" "$build/logs"
  local seeds=("$build/seeds/$target")
  local extra
  extra=$(shared_seeds "$target")
  [ -n "$extra" ] && seeds+=("$extra")
  # A hang (10 s for one input) and memory beyond 2 GiB are findings too.
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -malloc_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
    "$corpus" "${seeds[@]}" >"$log" 2>&1 || true
}
export -f run_one shared_seeds
export build seconds shared

printf '%s\n' "${targets[@]}" | xargs -P 2 -I{} bash -c 'run_one {}'

printf '\n%-22s %12s %8s %9s  %s\n' target executions corpus findings "finding files"
for target in "${targets[@]}"; do
  log=$build/logs/$target.log
  runs=$(grep -oP 'stat::number_of_executed_units:\s*\K[0-9]+' "$log" | tail -1 || true)
  # The corpus libFuzzer held at its last report: seeds and new finds together.
  corpus=$(grep -oP '\bcorp: \K[0-9]+' "$log" | tail -1 || true)
  files=$(find "$build/findings/$target" -type f -printf '%f ' 2>/dev/null)
  count=$(find "$build/findings/$target" -type f | wc -l)
  printf '%-22s %12s %8s %9s  %s\n' "$target" "${runs:-?}" "${corpus:-?}" "$count" "$files"
done
