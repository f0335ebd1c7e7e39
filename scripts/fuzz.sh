#!/usr/bin/env bash
# Fuzzes the problem-file reader and grammar with libFuzzer (clang).
# Usage: scripts/fuzz-language.sh [SECONDS]   (default 600)
# Builds into fuzz-build/, keeps the growing corpus in fuzz-build/corpus and
# writes any crashing or hanging input into fuzz-build/ as crash-*/timeout-*.
# Not part of the CMake build or CI.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}

if ! command -v clang++ >/dev/null; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "clang++ is missing; run as root to install it (apt-get install clang)" >&2
        exit 1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends clang >/dev/null
fi

out=fuzz-build
mkdir -p "$out/corpus"
# The grammar's actions build the whole solver model, so every solver library
# is compiled in (the plot and toolkit need QtGui).
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -fPIC -DQT_NO_KEYWORDS $(pkg-config --cflags Qt6Gui) \
    -I. -o "$out/language_fuzz" fuzz/language_fuzz.cpp \
    solver/language/*.cpp solver/driver/statement_reader.cpp solver/driver/run_problem.cpp \
    solver/driver/runs.cpp solver/driver/fstar_runs.cpp solver/driver/set_inversion_runs.cpp \
    solver/model/*.cpp solver/fstar/*.cpp solver/sets/*.cpp solver/plot/*.cpp toolkit/*.cpp \
    interval/ivalDb.cpp interval/functions.cpp interval/twin.cpp \
    $(pkg-config --libs Qt6Gui)

cd "$out"
exec ./language_fuzz -max_total_time="$seconds" -jobs=1 -workers=1 -timeout=10 -max_len=20000 \
    -dict=../fuzz/language.dict corpus ../fuzz/seeds ../examples
