# Sourced by the demo and the soak run: starts two simulated receivers in
# $home with $sim, adds their process ids to pids (for the caller's cleanup)
# and sets com1 and com2 to their pseudo-terminals. Each receiver prints its
# pseudo-terminal first, then every line it gets.
# Started here, not in a $(...) subshell, so that cleanup knows their ids.
start_receiver() { # number ebno
    local out="$home/receiver$1.txt"
    "$sim" --ebno "$2" --drift 0.3 --seed "$1" >"$out" &
    pids+=($!)
    for _ in $(seq 50); do [ -s "$out" ] && break; sleep 0.1; done
}
start_receiver 1 8.5
start_receiver 2 9.1
com1=$(head -n 1 "$home/receiver1.txt")
com2=$(head -n 1 "$home/receiver2.txt")
