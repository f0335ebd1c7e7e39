#!/usr/bin/env bash
# Writes the expected results of every problem here with the given `solver`
# program: its standard output, its result file with the computation time
# left out, and the tree dump of LOGIC problems. Run it only to record the
# results of a build that is known to be right; the regression test compares
# later builds with them.
#   tests/solver/driver/golden/make-expected.sh build/bin/solver
set -euo pipefail
solver=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for problem in "$here"/*.txt; do
    name=$(basename "$problem" .txt)
    rm -rf "${work:?}"/*
    cp "$problem" "$work/"
    (cd "$work" && "$solver" "$name" >"$here/$name.expected-stdout")
    sed -E 's/^(Computation Time[^:]*:).*$/\1/' "$work/${name}Solution.txt" \
        >"$here/$name.expected-solution"
    if [[ -f "$work/Tree.txt" ]]; then
        cp "$work/Tree.txt" "$here/$name.expected-tree"
    fi
done
