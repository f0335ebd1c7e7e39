#!/usr/bin/env bash
# A worker rank killed (SIGKILL) during a long run of solver-mpi: the run
# must end within 10 seconds with a non-zero exit status, a message on
# standard error, and no result file, whole or partial, left behind.
#   rank_killed.sh SOLVER_MPI PROBLEM WORK_DIR LAUNCHER...
set -uo pipefail
solver=$1 problem=$2 work=$3
shift 3
rm -rf "$work" && mkdir -p "$work" && cp "$problem" "$work/" || exit 1
cd "$work" || exit 1
name=$(basename "$problem" .txt)

"$@" "$solver" "$name" >out.txt 2>err.txt &
launcher=$!
# The rank to kill: a solver-mpi process of this job whose rank is not 0.
victim=
for _ in $(seq 100); do
    for dir in /proc/[0-9]*; do
        [ "$(readlink "$dir/exe" 2>/dev/null)" = "$(readlink -f "$solver")" ] || continue
        if tr '\0' '\n' <"$dir/environ" 2>/dev/null | grep -qx 'OMPI_COMM_WORLD_RANK=[1-9][0-9]*'; then
            victim=${dir#/proc/}
            break 2
        fi
    done
    sleep 0.1
done
if [ -z "$victim" ]; then
    echo "no worker rank found" >&2
    kill "$launcher"
    exit 1
fi
# Let the run get going, then kill the worker.
sleep 1
kill -KILL "$victim"
killed_at=$(date +%s%N)
status=0
for _ in $(seq 150); do
    kill -0 "$launcher" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$launcher" 2>/dev/null; then
    echo "the run did not end within 15 s of the kill" >&2
    kill -KILL "$launcher"
    exit 1
fi
wait "$launcher"
status=$?
took_ms=$((($(date +%s%N) - killed_at) / 1000000))
echo "exit status $status, ended $took_ms ms after the kill"
cat err.txt
fail=0
if [ "$status" -eq 0 ]; then
    echo "exit status 0 after a rank was killed" >&2
    fail=1
fi
if [ "$took_ms" -gt 10000 ]; then
    echo "the run took more than 10 s to end" >&2
    fail=1
fi
if [ ! -s err.txt ]; then
    echo "no message on standard error" >&2
    fail=1
fi
leftovers=$(ls | grep -v -e '^out.txt$' -e '^err.txt$' -e "^$name.txt$" || true)
if [ -n "$leftovers" ]; then
    echo "files left behind: $leftovers" >&2
    fail=1
fi
exit $fail
