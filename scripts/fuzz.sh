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

flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I.)
interval=(interval/ivalDb.cpp interval/functions.cpp interval/twin.cpp)
case "$target" in
language)
    # The grammar's actions build the whole solver model, so every solver
    # library is compiled in (the plot and toolkit need QtGui).
    sources=(fuzz/language_fuzz.cpp solver/language/*.cpp solver/driver/statement_reader.cpp
        solver/driver/run_problem.cpp solver/driver/runs.cpp solver/driver/fstar_runs.cpp
        solver/driver/set_inversion_runs.cpp solver/model/*.cpp solver/fstar/*.cpp
        solver/sets/*.cpp solver/plot/*.cpp toolkit/*.cpp "${interval[@]}")
    extra=(-fPIC -DQT_NO_KEYWORDS $(pkg-config --cflags Qt6Gui))
    libs=($(pkg-config --libs Qt6Gui))
    options=(-dict=../fuzz/language.dict -max_len=30000)
    seeds=(../fuzz/seeds/language ../examples)
    ;;
glucosim)
    sources=(fuzz/glucosim_fuzz.cpp glucosim/core/*.cpp "${interval[@]}")
    extra=()
    libs=()
    options=(-max_len=60000)
    seeds=(../fuzz/seeds/glucosim)
    ;;
*)
    echo "usage: $0 language|glucosim [SECONDS]" >&2
    exit 2
    ;;
esac

out=fuzz-build
mkdir -p "$out/corpus-$target"
clang++ "${flags[@]}" "${extra[@]}" -o "$out/${target}_fuzz" "${sources[@]}" "${libs[@]}"

cd "$out"
exec "./${target}_fuzz" -max_total_time="$seconds" -jobs=1 -workers=1 -timeout=10 \
    -rss_limit_mb=4096 "${options[@]}" "corpus-$target" "${seeds[@]}"
