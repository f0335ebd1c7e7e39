#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks the installed files (man
# pages, changelog, copyright, glucosim's desktop entry and icon) and runs the
# installed solver; with "package", also builds the Debian packages, checks
# their control fields, their files and their owners, runs solver from the
# unpacked programs' package and builds the library's client example against
# the unpacked development package (library_test.sh). VERSION is the project's
# version, which the programs, the man pages and the packages must all show.
# Usage: install_test.sh BUILD_DIR package|no-package VERSION
set -euo pipefail
build=$(cd "$1" && pwd)
mode=$2
version=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() { echo "install test: $*" >&2; exit 1; }

# Runs BIN --help and BIN on the installed example range; checks the result.
check_solver() {
    local bin=$1 doc=$2 work
    # (Read whole: grep -q would stop reading at its match.)
    "$bin" --help >"$tmp/help" || fail "$bin --help"
    grep -q '^Usage: solver' "$tmp/help" || fail "$bin --help"
    "$bin" --version | grep -q '^solver [0-9]' || fail "$bin --version"
    work=$(mktemp -d -p "$tmp")
    cp "$doc/examples/range.txt" "$work/"
    (cd "$work" && "$bin" range.txt >stdout 2>stderr) || fail "$bin range.txt"
    grep -q '^Outer Approximation:\[' "$work/rangeSolution.txt" || fail "no result from $bin"
    grep -q '^solver: stopped: ' "$work/stderr" || fail "no closing line from $bin"
}

# A file compressed as Debian wants it: gzip, no file name or time stored.
check_gzip() {
    local f=$1 header
    gzip -t "$f" || fail "$f is not gzip"
    header=$(od -An -tx1 -N8 "$f" | tr -d ' \n')
    [ "${header:6:2}" = 00 ] || fail "$f stores a file name or other extras (flags ${header:6:2})"
    [ "${header:8:8}" = 00000000 ] || fail "$f stores a time"
}

# The files of an installation under ROOT (a prefix or an unpacked package).
check_files() {
    local root=$1 doc=$1/share/doc/modal-intervals f p
    for f in bin/solver bin/glucosim share/doc/modal-intervals/README.md \
        share/doc/modal-intervals/examples/range.txt \
        share/doc/modal-intervals/examples/glucosim/parametros_bergman_ajustados.txt \
        share/icons/hicolor/scalable/apps/glucosim.svg; do
        [ -e "$root/$f" ] || fail "missing $f"
    done
    [ -x "$root/bin/glucosim" ] || fail "glucosim is not executable"
    ! ls "$root"/bin | grep -qv -e '^solver$' -e '^glucosim$' || fail "extra programs in bin"
    for p in solver glucosim; do
        f=$root/share/man/man1/$p.1.gz
        [ -e "$f" ] || fail "missing the compressed man page of $p"
        [ ! -e "$root/share/man/man1/$p.1" ] || fail "uncompressed man page of $p"
        check_gzip "$f"
        zcat "$f" | grep -q "^\.TH ${p^^} 1 .*\"modal-intervals $version\"" ||
            fail "$p.1 does not show version $version"
    done
    check_gzip "$doc/changelog.gz"
    zcat "$doc/changelog.gz" | head -1 | grep -q "^modal-intervals ($version) " ||
        fail "the changelog does not start with version $version"
    grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
        "$doc/copyright" || fail "copyright is not in the machine-readable format"
    grep -q '^Files: \*' "$doc/copyright" && grep -q '^License: ' "$doc/copyright" ||
        fail "copyright lacks its Files or License field"
    # The menu entry starts the installed program and shows its icon.
    f=$root/share/applications/glucosim.desktop
    [ -e "$f" ] || fail "missing glucosim.desktop"
    for line in '[Desktop Entry]' Type=Application Exec=glucosim Icon=glucosim Terminal=false; do
        grep -qxF "$line" "$f" || fail "glucosim.desktop lacks $line"
    done
    grep -q '^Name\[ca\]=.' "$f" || fail "glucosim.desktop has no Catalan name"
    grep -q '^Categories=.*;$' "$f" || fail "glucosim.desktop has no categories"
}

# Both programs show the project's version.
check_versions() {
    "$1/solver" --version | grep -qxF "solver $version" || fail "solver --version"
    "$1/glucosim" --version | grep -qxF "glucosim $version" || fail "glucosim --version"
}

# The Python package under ROOT/lib/python3/dist-packages, when it is built:
# its files, and (RUN=run) imported by Debian's python3, solving an example.
check_python() {
    local root=$1 run=$2 dir=$1/lib/python3/dist-packages
    [ -e "$build/python/modal/__init__.py" ] || return 0
    for f in __init__.py glucose.py; do
        [ -e "$dir/modal/$f" ] || fail "missing the Python package's $f under $root"
    done
    ls "$dir"/modal/_modal.*.so >/dev/null 2>&1 || fail "missing the Python module under $root"
    [ "$run" = run ] || return 0
    (cd "$tmp" && PYTHONPATH=$dir /usr/bin/python3 -c "
import modal, modal.glucose, sys
assert modal.__file__.startswith('$dir'), modal.__file__
r = modal.solve(modal.Problem.load('$root/share/doc/modal-intervals/examples/range.txt'))
assert '\nOuter Approximation:[' in '\n' + r.report(), r.report()
") || fail "python3 cannot use the installed package under $root"
}

prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
check_files "$prefix"
check_versions "$prefix/bin"
check_solver "$prefix/bin/solver" "$prefix/share/doc/modal-intervals"
QT_QPA_PLATFORM=offscreen "$prefix/bin/glucosim" --help >/dev/null || fail "glucosim --help"
# (A module built with the sanitizers cannot be loaded into the interpreter
# as it stands: there only its files are checked.)
if [ "$mode" = package ]; then check_python "$prefix" run; else check_python "$prefix" files; fi

[ "$mode" = package ] || exit 0
(cd "$tmp" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >/dev/null) ||
    fail "cpack"
deb=$(ls "$tmp"/pkg/modal-intervals_"$version"_*.deb)
dev=$(ls "$tmp"/pkg/modal-intervals-dev_"$version"_*.deb)
[ "$(ls "$tmp"/pkg/*.deb | wc -l)" = 2 ] || fail "packages: $(ls "$tmp"/pkg/*.deb)"
depends=$(dpkg-deb -f "$deb" Depends)
for p in zlib1g libqt6core6 libqt6gui6 libqt6widgets6 libqt6charts6 libc6 libstdc++6; do
    echo "$depends" | grep -q "$p" || fail "the package does not depend on $p: $depends"
done
for p in "$deb" "$dev"; do
    [ "$(dpkg-deb -f "$p" Version)" = "$version" ] || fail "version of $p"
    dpkg-deb -f "$p" Maintainer | grep -qP '<[^@>]+@[^@>]+\.[a-z]+>$' ||
        fail "the maintainer has no mail address: $(dpkg-deb -f "$p" Maintainer)"
    ! dpkg-deb -f "$p" Maintainer | grep -qi 'localhost' || fail "maintainer on localhost"
    # Every file belongs to root.
    ! dpkg-deb -c "$p" | awk '$2 != "root/root"' | grep -q . || fail "files not owned by root"
    dpkg-deb -x "$p" "$tmp/root"
done
# The library's files are in the development package only, and it has no programs.
! dpkg-deb -c "$deb" | grep -E ' \./usr/(include|lib/.)' | grep -qv ' \./usr/lib/python3/' ||
    fail "library files in $deb"
! dpkg-deb -c "$dev" | grep -q ' \./usr/bin/' || fail "programs in $dev"
[ -e "$tmp/root/usr/share/doc/modal-intervals-dev/copyright" ] || fail "$dev has no copyright"
check_files "$tmp/root/usr"
check_versions "$tmp/root/usr/bin"
check_solver "$tmp/root/usr/bin/solver" "$tmp/root/usr/share/doc/modal-intervals"
check_python "$tmp/root/usr" run
bash "$(dirname "$0")/library_test.sh" "$(dirname "$0")/.." "$build" "$version" "$tmp/root/usr" \
    >/dev/null || fail "the development package"
echo "install test: passed ($(basename "$deb"), $(basename "$dev"))"
