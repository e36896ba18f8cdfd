#!/usr/bin/env bash
# The real program for an hour against two simulated receivers, each switched
# every minute and read for Eb/No every minute. Reports missed and late
# switches, resident memory and open files at the start and the end, and the
# log lines expected against those found. Not a test: it takes an hour.
#
# Usage: bench/soak.sh [build-folder] [minutes]     (default: build, 60)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
minutes=${2:-60}
program="$build/src/kestrelpoint"
sim="$build/tools/receiver-sim/kestrelpoint-receiver-sim"
if [ ! -x "$program" ] || [ ! -x "$sim" ]; then
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j "$(nproc)" --target kestrelpoint kestrelpoint-receiver-sim >/dev/null
fi

home=$(mktemp -d "${TMPDIR:-/tmp}/kestrelpoint-soak.XXXXXX")
mkdir -p "$home/logs"
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    if [ -z "${KEEP_SOAK:-}" ]; then rm -rf "$home"; else echo "data kept in $home"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# shellcheck source=tools/simulated-receivers.sh
. "$top/tools/simulated-receivers.sh"

# Receiver 1 on port 1 at 9600 baud, activity log on, Eb/No every minute
# (receiver 1 at second 12, receiver 2 at second 20), MPEG log on, parallel
# port in use, two receivers, receiver 2 on port 2, model 4K.
printf '111511w120' >"$home/Kestrelpoint.ini"
printf '59:30' >"$home/TimeReset.ini"
printf 'ENG\r\nFRE\r\nSPA\r\n\r\n' >"$home/Source.dat"
printf '\x00\x7f' >"$home/parport"

# One schedule per switch: receiver 1 at second 45 and receiver 2 at second 55
# of every minute from the second minute on, each with a momentary remote
# start. A record is 96 characters: in use, name, length, source, port,
# route, attenuation, remote start, receiver, the seven days' times.
record() { # name epoch-seconds source receiver
    local times="" d day when
    when=$(date -d "@$2" +%H:%M:%S)
    day=$(date -d "@$2" +%w)
    for d in 0 1 2 3 4 5 6; do
        if [ "$d" = "$day" ]; then times+="$when"; else times+="        "; fi
    done
    printf '1%-25.25s%-5.5s%-3.3s%-1.1s%-1.1s%-2.2s%-1.1s%-1.1s%s' "$1" "00:30" "$3" 2 2 7 2 "$4" "$times"
}
now=$(date +%s)
first=$(( (now / 60 + 2) * 60 ))   # the first whole minute at least a minute away
: >"$home/due.txt"
for ((m = 0; m < minutes; m++)); do
    t1=$((first + 60 * m + 45))
    t2=$((first + 60 * m + 55))
    record "Soak R1 $m" "$t1" ENG 1
    record "Soak R2 $m" "$t2" SPA 2
    echo "1 $t1" >>"$home/due.txt"
    echo "2 $t2" >>"$home/due.txt"
done >"$home/SwitchList.dat"
end=$((first + 60 * minutes))

export KESTRELPOINT_HOME="$home" KESTRELPOINT_COM1="$com1" KESTRELPOINT_COM2="$com2"
export KESTRELPOINT_PARPORT="$home/parport" KESTRELPOINT_CLOCK_DRYRUN="$home/clock-set.txt"
export KESTRELPOINT_FLOPPY="$home/floppy" KESTRELPOINT_PRINT_PDF="$home" QT_QPA_PLATFORM=offscreen
"$program" 2>"$home/stderr.txt" &
kp=$!
pids+=("$kp")

rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$kp/status"; }
fds() { find "/proc/$kp/fd" -mindepth 1 -maxdepth 1 | wc -l; }
fd_list() { for f in "/proc/$kp"/fd/*; do readlink "$f"; done | sed 's/[0-9]\+\]$/N]/' | sort; }
echo "Kestrelpoint soak, $(date '+%Y-%m-%d %H:%M'), $minutes minutes of switching from $(date -d "@$first" +%H:%M:%S); data $home"
sleep $((first - $(date +%s) - 20))
rss0=$(rss_kb); fds0=$(fds); fd_list >"$home/fds-start.txt"
echo "at the start: resident memory $rss0 kB, $fds0 open files"
# The end is measured at the same second of the minute as the start, 40 s
# after the last minute: Qt's painting lends work to threads of its own that
# end 30 s after their last use, each with an event file descriptor, and the
# remote-start lamp brings them back every minute at second 46.
while [ "$(date +%s)" -lt $((end + 40)) ]; do
    kill -0 "$kp" 2>/dev/null || { echo "the program ended by itself" >&2; break; }
    left=$((end + 40 - $(date +%s)))
    sleep $((left < 30 ? (left > 0 ? left : 0) : 30))
done
rss1=$(rss_kb); fds1=$(fds); fd_list >"$home/fds-end.txt"
echo "at the end:   resident memory $rss1 kB, $fds1 open files"
comm -13 "$home/fds-start.txt" "$home/fds-end.txt" | sed 's/^/  open at the end only: /'
comm -23 "$home/fds-start.txt" "$home/fds-end.txt" | sed 's/^/  open at the start only: /'
kill -TERM "$kp"
status=0
wait "$kp" || status=$?
echo "ended by SIGTERM with exit status $status"

# The first "SETAUDIO " of each switch against its moment: receiver 1 sends
# 13 s before its switch, receiver 2 8 s before.
for r in 1 2; do
    tail -n +2 "$home/receiver$r.txt" | grep 'SETAUDIO ' | while read -r time _; do
        echo "$r $(date -d "$(date -d "@$first" +%F) $time" +%s.%N)"
    done
done >"$home/sends.txt"
awk -v first="$first" '
    FNR == NR { due[NR] = $2; rec[NR] = $1; n = NR; next }
    { t = $2; if (t < first - 3600) t += 86400; sends[$1, ++count[$1]] = t }
    END {
        missed = 0; late = 0; worst = 0
        for (i = 1; i <= n; i++) {
            r = rec[i]; target = due[i] - (r == 1 ? 13 : 8); found = -1
            for (j = 1; j <= count[r]; j++)
                if (sends[r, j] >= target - 5 && sends[r, j] <= target + 5) { found = sends[r, j]; break }
            if (found < 0) { missed++; continue }
            d = (found - target) * 1000; if (d < 0) d = -d
            if (d > worst) worst = d
            if (d > 60) late++
        }
        printf "switches: %d due, %d missed, %d later or earlier than 60 ms; worst %.0f ms from its moment\n", n, missed, late, worst
    }' "$home/due.txt" "$home/sends.txt"

count() { cat "$home"/logs/"$1"*.log 2>/dev/null | grep -c -- "$2" || true; }
switches=$((2 * minutes))
printf 'activity log: %d of %d switch lines, %d of %d remote starts on, %d of %d off, started %d/1, ended %d/1\n' \
    "$(count AL 'SETAUDIO ')" $((2 * switches)) "$(count AL 'Remote Start . On')" "$switches" \
    "$(count AL 'Remote Start . Off')" "$switches" "$(count AL 'Kestrelpoint Started')" "$(count AL 'Kestrelpoint Ended')"
# Readings from the first whole minute to the end: two a minute.
printf 'Eb/No log: %d readings (%d expected at least); MPEG log: %d of %d entries\n' \
    "$(count EB ' R[12] ')" $((2 * minutes)) "$(count MP '^Receiver [12]  ')" "$switches"
printf 'memory growth %+d kB (target <= 1024), open files %+d (target 0), errors shown: %d\n' \
    $((rss1 - rss0)) $((fds1 - fds0)) "$(grep -c 'kestrelpoint: error:' "$home/stderr.txt" || true)"
