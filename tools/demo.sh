#!/usr/bin/env bash
# The program against two simulated receivers and a simulated parallel port,
# with schedules that switch in the first minutes. Usage: tools/demo.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
home=${KESTRELPOINT_DEMO_HOME:-${TMPDIR:-/tmp}/kestrelpoint-demo}
sim="$build/tools/receiver-sim/kestrelpoint-receiver-sim"
program="$build/src/kestrelpoint"

rm -rf "$home"
mkdir -p "$home/logs" "$home/floppy"
[ -e "$top/docs/Kestrelpoint.hlp" ] && cp "$top/docs/Kestrelpoint.hlp" "$home/"

pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; }
trap cleanup EXIT INT TERM

# shellcheck source=tools/simulated-receivers.sh
. "$top/tools/simulated-receivers.sh"

# Settings: receiver 1 on port 1, 9600 baud, activity log on, Eb/No once a
# minute, MPEG log on, parallel port in use, keep Eb/No logs a week, two
# receivers, receiver 2 on port 2, model 4K. Clock reset at minute 59:30.
printf '111511w120' >"$home/Kestrelpoint.ini"
printf '59:30' >"$home/TimeReset.ini"

# One 96-character record per schedule, switching today N minutes from now.
record() { # name minutes-from-now source port route att remote receiver
    local when day times="" d
    when=$(date -d "+$2 minutes" +%H:%M:00)
    day=$(date -d "+$2 minutes" +%w)
    for d in 0 1 2 3 4 5 6; do
        if [ "$d" = "$day" ]; then times+="$when"; else times+="        "; fi
    done
    printf '1%-25.25s%-5.5s%-3.3s%-1.1s%-1.1s%-2.2s%-1.1s%-1.1s%s' \
        "$1" "00:30" "$3" "$4" "$5" "$6" "$7" "$8" "$times"
}
{
    record "Morning Drive" 1 ENG 2 2 7 2 1
    record "Farm Report" 1 SPA 1 0 3 3 2
    record "Classical Hour" 2 FRE 3 2 0 2 1
    record "Talk Back" 3 ENG 4 3 14 1 2
} >"$home/SwitchList.dat"
printf 'ENG\r\nFRE\r\nSPA\r\n\r\n' >"$home/Source.dat"
printf '\x00\x7f' >"$home/parport"

export KESTRELPOINT_HOME="$home" KESTRELPOINT_COM1="$com1" KESTRELPOINT_COM2="$com2"
export KESTRELPOINT_PARPORT="$home/parport" KESTRELPOINT_CLOCK_DRYRUN="$home/clock-set.txt"
export KESTRELPOINT_FLOPPY="$home/floppy" KESTRELPOINT_PRINT_PDF="$home"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM=offscreen
    echo "No display: the program runs offscreen; watch the logs below."
fi

status_port=${KESTRELPOINT_DEMO_STATUS_PORT:-7845}
cat <<INFO
Demo data folder: $home
Receiver 1 on $com1, receiver 2 on $com2; the parallel port is the file $home/parport.
Switches are due 1, 2 and 3 minutes from now. Each receiver prints the commands it gets;
the activity, Eb/No and MPEG logs fill in $home/logs. After a few minutes, History > Eb/No and
Chart draw the readings taken so far. The status page, metrics and status.json are on
http://127.0.0.1:$status_port/ (KESTRELPOINT_DEMO_STATUS_PORT chooses the port). Close the main
window (or press Ctrl-C) to end.
INFO

"$program" --status-listen "127.0.0.1:$status_port" &
pids+=($!)
tail -n +2 -f "$home/receiver1.txt" | sed -u 's/^/receiver 1: /' &
pids+=($!)
tail -n +2 -f "$home/receiver2.txt" | sed -u 's/^/receiver 2: /' &
pids+=($!)
wait "${pids[2]}"
