#!/usr/bin/env bash
# Checks that each man page names every option its program's --help lists.
# Usage: man_options_test.sh PROGRAM MAN_PAGE [PROGRAM MAN_PAGE ...]
set -euo pipefail
export LC_ALL=C
status=0
while [ $# -ge 2 ]; do
    program=$1 page=$2
    shift 2
    # An option: a dash or two and a word, after a blank, "[", "(", "|" or ","
    # (so "x10^-4" and "1-Espec." are not options).
    options=$("$program" --help |
        grep -oP '(?<![^\s\[(|,])--?[a-z][a-z0-9-]*(?![a-z0-9_\x80-\xff-])' | sort -u)
    if [ -z "$options" ]; then
        echo "$program --help lists no option" >&2
        status=1
        continue
    fi
    # The man page as text: "\-" is a dash; font changes and the marks that
    # stop hyphenation are dropped.
    text=$(sed 's/\\-/-/g; s/\\f[BIRP]//g; s/\\[%&]//g' "$page")
    missing=()
    for option in $options; do
        grep -qP -- "(?<![a-z0-9-])\Q$option\E(?![a-z0-9-])" <<<"$text" || missing+=("$option")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "$page does not name ${missing[*]}, which $(basename "$program") --help lists" >&2
        status=1
    else
        echo "$page names every option of $(basename "$program") --help:" $options
    fi
done
exit $status
