#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer)
# into build/fuzz and runs each for a given number of seconds, seeded from the sample
# corpus (copied into a scratch folder outside the repository) and from the inputs that
# once failed (tests/regression/<target>/).
#
#   fuzz/run.sh [SECONDS] [TARGET...]     (default: 600 seconds each, every target)
#
# Targets: fuzz_xmp_packet fuzz_iptc_stream fuzz_load_picture fuzz_edit_save.
# Environment: FUZZ_WORK scratch folder (default: a new one below /tmp, kept afterwards),
# FUZZ_JOBS parallel targets (default 1), FOTARIUM_CORPUS_DIR the sample pictures.
# New failing inputs land in $FUZZ_WORK/artifacts/<target>/; once the fault is mended,
# copy them to tests/regression/<target>/ so that the test suite replays them.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD

SECONDS_EACH=${1:-600}
shift || true
TARGETS=("$@")
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=(fuzz_xmp_packet fuzz_iptc_stream fuzz_load_picture fuzz_edit_save)
CORPUS=${FOTARIUM_CORPUS_DIR:-$ROOT/../shared/corpus}
BUILD=$ROOT/build/fuzz
WORK=${FUZZ_WORK:-$(mktemp -d /tmp/fotarium-fuzz.XXXXXX)}
JOBS=${FUZZ_JOBS:-1}

for tool in clang clang++; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: apt-get install clang libclang-rt-14-dev" >&2; exit 1; }
done

SAN="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DFOTARIUM_BUILD_FUZZ=ON -DFOTARIUM_BUILD_TESTS=OFF -DFOTARIUM_WERROR=OFF \
  "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link $SAN -gline-tables-only" \
  "-DCMAKE_EXE_LINKER_FLAGS=$SAN" >/dev/null
cmake --build "$BUILD" -j"${FUZZ_BUILD_JOBS:-2}" --target "${TARGETS[@]}" fuzz-extract-seeds

# Seeds: whole pictures for the picture targets, the blocks cut out of them for the others.
mkdir -p "$WORK/seeds/pictures" "$WORK/seeds/xmp" "$WORK/seeds/iptc"
if [ -d "$CORPUS" ]; then
  find "$CORPUS" -type f \( -iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.tif' -o -iname '*.tiff' -o -iname '*.psd' \) \
    -exec cp -t "$WORK/seeds/pictures" {} +
  find "$CORPUS" -type f -iname '*.xmp' -exec cp -t "$WORK/seeds/xmp" {} +
  "$BUILD/fuzz/fuzz-extract-seeds" "$WORK/seeds/xmp" "$WORK/seeds/iptc" "$WORK"/seeds/pictures/* >/dev/null 2>&1 || true
else
  echo "No sample corpus at $CORPUS: starting from the regression inputs only" >&2
fi

seeds_of() {
  case $1 in
    fuzz_xmp_packet) echo "$WORK/seeds/xmp" ;;
    fuzz_iptc_stream) echo "$WORK/seeds/iptc" ;;
    *) echo "$WORK/seeds/pictures" ;;
  esac
}
dict_of() {
  case $1 in
    fuzz_xmp_packet) echo xmp.dict ;;
    fuzz_iptc_stream) echo iptc.dict ;;
    *) echo picture.dict ;;
  esac
}
# Picture metadata sits in the first 64 KB segments; longer inputs only slow the search.
max_len_of() {
  case $1 in
    fuzz_xmp_packet | fuzz_iptc_stream) echo 65536 ;;
    *) echo 262144 ;;
  esac
}

run_target() {
  local target=$1
  local out=$WORK/$target
  mkdir -p "$out/corpus" "$WORK/artifacts/$target"
  local regression=$ROOT/tests/regression/$target
  local dirs=("$out/corpus" "$(seeds_of "$target")")
  [ -d "$regression" ] && dirs+=("$regression")
  local dict=(-dict="$ROOT/fuzz/$(dict_of "$target")")
  echo "== $target: ${SECONDS_EACH}s, log $out/log.txt"
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$BUILD/fuzz/$target" -max_total_time="$SECONDS_EACH" -max_len="$(max_len_of "$target")" \
    -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=64 -print_final_stats=1 \
    -artifact_prefix="$WORK/artifacts/$target/" "${dict[@]}" "${dirs[@]}" >"$out/log.txt" 2>&1
}

status=0
running=0
for target in "${TARGETS[@]}"; do
  run_target "$target" &
  running=$((running + 1))
  if [ "$running" -ge "$JOBS" ]; then
    wait -n || status=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || status=1
  running=$((running - 1))
done

for target in "${TARGETS[@]}"; do
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$WORK/$target/log.txt" | grep -o '[0-9]*$' || echo "?")
  found=$(find "$WORK/artifacts/$target" -type f | wc -l)
  echo "$target: $runs executions, $found failing inputs in $WORK/artifacts/$target"
done
echo "Scratch folder: $WORK"
exit $status
