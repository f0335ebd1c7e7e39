#!/usr/bin/env bash
# Solves one bundled problem and shows its result file.
# Usage: run-example.sh BUILD_DIR EXAMPLE_BASENAME
set -euo pipefail
build=$1
example=$2
"$build/bin/solver" "$example"
if [ -f "${example}Solution.txt" ]; then
    echo
    echo "== ${example}Solution.txt"
    cat "${example}Solution.txt"
    echo
fi
echo
echo "Other examples: $(cd "$(dirname "$example")" && ls ./*.txt | sed 's|^\./||; s|\.txt$||' | grep -v 'Solution$' | tr '\n' ' ')"
echo "Run one with: $build/bin/solver $(dirname "$example")/NAME   (README.md says what each result means)"
