#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs the installed solver;
# with "package", also builds the Debian package, checks its declared
# dependencies and runs solver from the unpacked package.
# Usage: install_test.sh BUILD_DIR [package|no-package]
set -euo pipefail
build=$(cd "$1" && pwd)
mode=${2:-package}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() { echo "install test: $*" >&2; exit 1; }

# Runs BIN --help and BIN on the installed example range; checks the result.
check_solver() {
    local bin=$1 doc=$2 work
    "$bin" --help | grep -q '^Usage: solver' || fail "$bin --help"
    "$bin" --version | grep -q '^solver [0-9]' || fail "$bin --version"
    work=$(mktemp -d -p "$tmp")
    cp "$doc/examples/range.txt" "$work/"
    (cd "$work" && "$bin" range.txt >stdout 2>stderr) || fail "$bin range.txt"
    grep -q '^Outer Approximation:\[' "$work/rangeSolution.txt" || fail "no result from $bin"
    grep -q '^solver: stopped: ' "$work/stderr" || fail "no closing line from $bin"
}

prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/solver bin/glucosim share/man/man1/solver.1 share/man/man1/glucosim.1 \
    share/doc/modal-intervals/README.md share/doc/modal-intervals/examples/range.txt \
    share/doc/modal-intervals/examples/glucosim/parametros_bergman_ajustados.txt; do
    [ -e "$prefix/$f" ] || fail "missing $f"
done
[ -x "$prefix/bin/glucosim" ] || fail "glucosim is not executable"
! ls "$prefix"/bin | grep -qv -e '^solver$' -e '^glucosim$' || fail "extra programs in bin"
grep -q '^\.TH SOLVER 1' "$prefix/share/man/man1/solver.1" || fail "solver.1"
check_solver "$prefix/bin/solver" "$prefix/share/doc/modal-intervals"
QT_QPA_PLATFORM=offscreen "$prefix/bin/glucosim" --help >/dev/null || fail "glucosim --help"

[ "$mode" = package ] || exit 0
(cd "$tmp" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >/dev/null) ||
    fail "cpack"
deb=$(ls "$tmp"/pkg/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for p in zlib1g libqt6core6 libqt6gui6 libqt6widgets6 libqt6charts6 libc6 libstdc++6; do
    echo "$depends" | grep -q "$p" || fail "the package does not depend on $p: $depends"
done
dpkg-deb -x "$deb" "$tmp/root"
check_solver "$tmp/root/usr/bin/solver" "$tmp/root/usr/share/doc/modal-intervals"
echo "install test: passed ($(basename "$deb"))"
