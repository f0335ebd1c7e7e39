#!/usr/bin/env bash
# Fuzzes one target with libFuzzer (clang), under AddressSanitizer and
# UndefinedBehaviorSanitizer.
# Usage: scripts/fuzz.sh language|glucosim [SECONDS]   (default 600)
#   language: a problem file through the reader and the grammar, then the run
#             of its algorithm with a short time and a small memory limit;
#   glucosim: the three data file readers and one simulation.
# Builds into fuzz-build/, keeps the growing corpus in fuzz-build/corpus-TARGET
# and writes any crashing or hanging input into fuzz-build/ as crash-*/timeout-*.
# The test suite replays the seed corpora (fuzz/seeds) without libFuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-}
seconds=${2:-600}

if ! command -v clang++ >/dev/null; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "clang++ is missing; run as root to install it (apt-get install clang)" >&2
        exit 1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends clang >/dev/null
fi

case "$target" in
language)
    # A problem file through the reader and the grammar, then its run.
    options=(-dict=../fuzz/language.dict -max_len=30000)
    seeds=(../fuzz/seeds/language ../examples)
    ;;
glucosim)
    options=(-max_len=60000)
    seeds=(../fuzz/seeds/glucosim)
    ;;
*)
    echo "usage: $0 language|glucosim [SECONDS]" >&2
    exit 2
    ;;
esac

out=fuzz-build
# The project's own fuzz option: every library instrumented for libFuzzer and
# built with the sanitizers, the fuzz target linked with libFuzzer.
cmake -S . -B "$out" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DMODAL_FUZZ=ON -DMODAL_SANITIZE=ON \
    -DMODAL_BUILD_TESTS=OFF -DMODAL_BUILD_BENCH=OFF >/dev/null
cmake --build "$out" --target "${target}_fuzz"
mkdir -p "$out/corpus-$target"

cd "$out"
exec "./bin/${target}_fuzz" -max_total_time="$seconds" -jobs=1 -workers=1 -timeout=10 \
    -rss_limit_mb=4096 "${options[@]}" "corpus-$target" "${seeds[@]}"
