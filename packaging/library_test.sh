#!/usr/bin/env bash
# Checks the library as its users get it. Installs BUILD_DIR's development
# files into a temporary prefix and moves that prefix elsewhere (or, given
# ROOT, takes the installation there, such as an unpacked package). Then:
# the installed headers are those of the source tree, and each compiles on
# its own; a program linking modal::glucose finds Qt through the package and
# hashes a file as sha256sum does; and the client example examples/api,
# built as a separate project once with CMake (find_package) and once with
# pkg-config, prints the report that the solver program writes for
# examples/range.txt, the problem the example builds in code.
# Usage: library_test.sh SOURCE_DIR BUILD_DIR VERSION [ROOT]
set -euo pipefail
source_dir=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
version=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() { echo "library test: $*" >&2; exit 1; }

if [ $# -ge 4 ]; then
    root=$(cd "$4" && pwd)
else
    cmake --install "$build" --prefix "$tmp/installed" --component dev >/dev/null
    mv "$tmp/installed" "$tmp/moved"
    root=$tmp/moved
fi
include_dir=$root/include/modal-interval
pc=$(find "$root" -name modal-interval.pc)
[ -n "$pc" ] || fail "no modal-interval.pc under $root"
export PKG_CONFIG_PATH=$(dirname "$pc")

# The public headers, the interval library's and glucosim's core's, no more.
(cd "$source_dir" && ls include/modal/*.h interval/*.h glucosim/core/*.h |
    sed 's|^include/||' | sort) >"$tmp/expected_headers"
(cd "$include_dir" && find . -type f | sed 's|^\./||' | sort) >"$tmp/headers"
diff "$tmp/expected_headers" "$tmp/headers" >&2 || fail "the installed headers differ"

cmake_project() { # SOURCE BINARY [ARGS...]: configures and builds a project against ROOT
    local src=$1 bin=$2
    shift 2
    cmake -S "$src" -B "$bin" -G Ninja -DCMAKE_PREFIX_PATH="$root" "$@" >"$bin.log" 2>&1 &&
        cmake --build "$bin" >>"$bin.log" 2>&1 || { cat "$bin.log" >&2; fail "building $src"; }
    grep -q "^ModalInterval_DIR:PATH=$root/" "$bin/CMakeCache.txt" ||
        fail "$src did not find the package under $root"
}

cmake_project "$source_dir/packaging/installed_check" "$tmp/check" -DMODAL_VERSION="$version"
sample=$source_dir/examples/range.txt
[ "$("$tmp/check/glucose_sha256" "$sample")" = "$(sha256sum "$sample" | cut -d' ' -f1)" ] ||
    fail "modal::glucose hashes $sample otherwise than sha256sum"

# The solver program's report, but for the computation time.
mkdir "$tmp/run"
cp "$sample" "$tmp/run/"
(cd "$tmp/run" && "$build/bin/solver" range.txt >/dev/null 2>&1) || fail "solver range.txt"
grep -v '^Computation Time' "$tmp/run/rangeSolution.txt" >"$tmp/expected_report"
grep -q '^Inner Approximation:\[' "$tmp/expected_report" || fail "no report from solver"

check_client() { # PROGRAM: its report is the solver program's
    "$1" >"$1.out" 2>"$1.err" || { cat "$1.err" >&2; fail "$1 failed"; }
    grep -q '^Computation Time (s):' "$1.out" || fail "$1 prints no computation time"
    grep -v '^Computation Time' "$1.out" | diff "$tmp/expected_report" - >&2 ||
        fail "$1 prints another report than solver"
}

warnings=(-Wall -Wextra -Wpedantic -Werror)
cmake_project "$source_dir/examples/api" "$tmp/api_cmake" -DCMAKE_CXX_FLAGS="${warnings[*]}"
check_client "$tmp/api_cmake/api_example"

[ "$(pkg-config --modversion modal-interval)" = "$version" ] || fail "pkg-config version"
# shellcheck disable=SC2046 # pkg-config's flags are words
g++ -std=c++20 "${warnings[@]}" "$source_dir/examples/api/main.cpp" \
    $(pkg-config --cflags --libs modal-interval) -o "$tmp/api_pkgconfig" ||
    fail "building examples/api with pkg-config"
check_client "$tmp/api_pkgconfig"
echo "library test: passed"
