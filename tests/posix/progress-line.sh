#!/bin/sh
# The progress line: on a terminal (script(1) makes one), a job that has run
# for more than a second shows "model.dat3: N%", rewritten in place, and
# wipes it at the end; a quicker job shows nothing, and with stderr in a file
# nothing changes. The slow job waits on a pipe for its result file: the
# writer opens the pipe (which waits for the job to open it), then pauses.
set -eu
cmd=$1
command -v script >/dev/null 2>&1 || { echo "no script(1): skipped"; exit 77; }
dir=$(mktemp -d)
writer=
# A writer still waiting for the job to open the pipe goes too.
trap 'kill $writer 2>/dev/null || true; rm -rf "$dir"' EXIT
cd "$dir"
fail() { echo "progress-line: $*" >&2; exit 1; }

printf 't\r\ns\r\nNODE 1\r\n1 0 0 0\r\nELEM 0\r\n' > model.dat3
printf 'R\r\nN = 1\r\nL\r\n1: 1 2 3\r\n' > results
slow_results() {
    rm -f Displacement.dat
    mkfifo Displacement.dat
    (exec 3> Displacement.dat; sleep 1.2; cat results >&3) >/dev/null 2>&1 &
    writer=$!
}

slow_results
script -qec "'$cmd' model.dat3" /dev/null > terminal || fail "status $? on a terminal"
wait "$writer"
printf '\rmodel.dat3: 99%%\rmodel.dat3: 100%%\r%16s\r' '' > want
cmp -s terminal want || fail "on a terminal: $(od -c terminal)"

slow_results
"$cmd" model.dat3 2> stderr || fail "status $? with stderr in a file"
wait "$writer"
[ ! -s stderr ] || fail "stderr in a file: $(od -c stderr)"

rm Displacement.dat
cp results Displacement.dat
script -qec "'$cmd' model.dat3" /dev/null > terminal || fail "status $? for a quick job"
[ ! -s terminal ] || fail "a quick job on a terminal: $(od -c terminal)"
