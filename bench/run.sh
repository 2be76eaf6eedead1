#!/usr/bin/env bash
# make bench: the config tool against the simulated printer over a pty, the
# line paced at 57600 baud (5760 bytes/s each way), one table of figures.
# A benchmark reports; it never fails a build or a test run.
#   BUILD_DIR (default build)  RUNS (default 3)  UPLOAD_KB (default 300)
#   GUI_BIN (default BUILD_DIR/bin/halvoran-config)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-build}
case $BUILD_DIR in /*) ;; *) BUILD_DIR=$ROOT/$BUILD_DIR ;; esac
BIN=$BUILD_DIR/bin
RUNS=${RUNS:-3}
UPLOAD_KB=${UPLOAD_KB:-300}
BIG_MB=32
BAUD=57600
BPS=5760
PAGES=(/toc.htm /font.htm /status.htm /printer.htm /cfgs.htm /ser.htm /settcp.htm /report.htm)

for tool in halvoran-sim halvoran-cli halvoran-bench-aid; do
    [ -x "$BIN/$tool" ] || { echo "bench: $BIN/$tool is missing; build first (make build)"; exit 0; }
done
[ -d "$BIN/p1" ] || { echo "bench: $BIN/p1 is missing; build first (make build)"; exit 0; }
[ -x /usr/bin/time ] || { echo "bench: /usr/bin/time is missing (apt-get install time)"; exit 0; }

WORK=$(mktemp -d /tmp/halvoran-bench.XXXXXX)
SIM_PID=
stop_sim() {
    if [ -n "$SIM_PID" ]; then kill "$SIM_PID" 2>/dev/null; wait "$SIM_PID" 2>/dev/null; SIM_PID=; fi
}
trap 'stop_sim; rm -rf "$WORK"' EXIT
# The CLI runs from its own program folder: settings file and page cache
# stay out of the build folder.
mkdir -p "$WORK/prog" && cp -r "$BIN/p1" "$WORK/prog/p1"
LINK=$WORK/tty
cd "$WORK"

# start_sim [sim flags...]: a fresh simulated printer on $LINK.
start_sim() {
    stop_sim
    rm -f "$LINK"
    "$BIN/halvoran-sim" --pty --link "$LINK" "$@" >"$WORK/sim.out" 2>"$WORK/sim.err" &
    SIM_PID=$!
    for _ in $(seq 100); do [ -L "$LINK" ] && return 0; sleep 0.05; done
    echo "bench: halvoran-sim did not start: $(cat "$WORK/sim.err")" >&2
    return 1
}

# cli ARGS...: runs halvoran-cli under /usr/bin/time; sets WALL (s), CPU (s),
# RSS (KiB) and STATUS.
cli() {
    /usr/bin/time -f "%e %U %S %M" -o "$WORK/time" \
        "$BIN/halvoran-cli" --folder "$WORK/prog" --interface com --device "$LINK" "$@" \
        >"$WORK/cli.out" 2>"$WORK/cli.err"
    STATUS=$?
    read -r WALL user sys RSS < <(tail -1 "$WORK/time")
    CPU=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f", u + s }')
}

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
calc() { awk "BEGIN { printf \"%.3f\", $* }"; }

ROWS=()
# row FIGURE MEASURED IDEAL UNIT NOTE
row() {
    local ratio="-"
    if [ "$(calc "($3 > 0)")" = "1.000" ]; then ratio=$(awk -v m="$2" -v i="$3" 'BEGIN { printf "%.2f", m / i }'); fi
    ROWS+=("$(printf '| %s | %s %s | %s %s | %s | %s |' "$1" "$2" "$4" "$3" "$4" "$ratio" "$5")")
}
not_measured() { ROWS+=("| $1 | not measured | - | - | $2 |"); }

# Fixed pauses of the serial link and the upload worker, in seconds.
CONNECT_PAUSE=$(calc "20 * 0.001 + 0.2 + 0.2")   # wake burst bytes 1 ms apart, 200 ms after it, 200 ms before the command
DISCONNECT_PAUSE=0.001                            # after the disconnect command
UPLOAD_PAUSE=$(calc "2.0 + 0.1 + 0.2 + 4.0")      # announce, download switch 100 + 200 ms, wind-up

echo "halvoran bench: $RUNS runs each, line paced at $BAUD baud ($BPS B/s)"

# --- connect and page fetch -------------------------------------------------
"$BIN/halvoran-bench-aid" pages "${PAGES[@]}" >"$WORK/bytes" || exit 0
read -r _ c_out c_in < <(grep '^connect ' "$WORK/bytes")
read -r _ d_out _ < <(grep '^disconnect ' "$WORK/bytes")
# The first page alone is the baseline; the others are the fetch measured.
page_bytes=$(awk '$1 ~ /^\// && n++ { s += $2 + $3 } END { print s }' "$WORK/bytes")
probe_ideal=$(calc "($c_out + $c_in + $d_out) / $BPS + $CONNECT_PAUSE + $DISCONNECT_PAUSE")
fetch_ideal=$(calc "$page_bytes / $BPS")

start_sim --baud $BAUD || exit 0
probes=() firsts=() gets=()
for _ in $(seq "$RUNS"); do
    cli get "${PAGES[0]}"; firsts+=("$WALL")
    cli probe; [ "$STATUS" = 0 ] || echo "bench: probe failed ($STATUS): $(cat "$WORK/cli.err")" >&2
    probes+=("$WALL")
    cli get "${PAGES[@]}"; [ "$STATUS" = 0 ] || echo "bench: get failed ($STATUS): $(tail -2 "$WORK/cli.err")" >&2
    gets+=("$WALL")
done
stop_sim
probe_med=$(median "${probes[@]}")
fetch_med=$(calc "$(median "${gets[@]}") - $(median "${firsts[@]}")")
row "connect + disconnect (probe)" "$probe_med" "$probe_ideal" s "wake burst, connect echo, disconnect; ideal = bytes / $BPS B/s + 421 ms fixed pauses"
row "page fetch, $((${#PAGES[@]} - 1)) pages, $page_bytes B" "$fetch_med" "$fetch_ideal" s "get of ${#PAGES[@]} pages minus get of the first; ideal = request + answer bytes / $BPS B/s"

# --- upload, paced ------------------------------------------------------------
up_size=$("$BIN/halvoran-bench-aid" firmware $((UPLOAD_KB * 1024)) "$WORK/fw.bin") || exit 0
rests=0; [ "$up_size" -gt 102400 ] && rests=9
up_ideal=$(calc "($c_out + $c_in + 10 + $up_size) / $BPS + $CONNECT_PAUSE + $UPLOAD_PAUSE + $rests * 0.2")
ups=() lines=()
for _ in $(seq "$RUNS"); do
    start_sim --baud $BAUD || exit 0
    cli upload-firmware "$WORK/fw.bin"
    [ "$STATUS" = 0 ] || echo "bench: upload failed ($STATUS): $(tail -2 "$WORK/cli.err")" >&2
    ups+=("$WALL")
    # The printer logs (on its own ms clock) the file's first bytes and its
    # restart 500 ms after the last byte; bytes may still be in the pty when
    # the CLI ends, so wait for the restart.
    for _ in $(seq 300); do grep -q 'restarting' "$WORK/sim.err" && break; sleep 0.1; done
    first=$(sed -n 's/.*\[\([0-9]*\) ms\]: receiving a firmware.*/\1/p' "$WORK/sim.err" | head -1)
    last=$(sed -n 's/.*\[\([0-9]*\) ms\]: restarting.*/\1/p' "$WORK/sim.err" | head -1)
    [ -n "$first" ] && [ -n "$last" ] && lines+=("$(calc "($last - $first - 500) / 1000")")
done
stop_sim
[ ${#lines[@]} -gt 0 ] && row "upload on the line, $UPLOAD_KB KiB firmware" "$(median "${lines[@]}")" \
    "$(calc "$up_size / $BPS + $rests * 0.2")" s "first to last file byte at the printer; ideal = size / $BPS B/s + $rests rests of 200 ms"
row "upload command, $UPLOAD_KB KiB firmware" "$(median "${ups[@]}")" "$up_ideal" s \
    "whole command; ideal = bytes / $BPS B/s + connect 420 ms + announce 2 s + switch 300 ms + $rests rests of 200 ms + wind-up 4 s"

# --- waiting: CPU while a silent printer lets the connect read time out -----------
cpus=() walls=()
start_sim --baud $BAUD --silent-after 0 || exit 0
for _ in $(seq "$RUNS"); do
    cli probe
    cpus+=("$CPU"); walls+=("$WALL")
done
stop_sim
row "waiting: CPU during a 10 s read timeout" "$(median "${cpus[@]}")" 0 "s CPU" \
    "silent printer, probe ends after $(median "${walls[@]}") s wall; ideal 0"

# --- memory: peak RSS of the CLI, 32 MiB upload, unpaced ----------------------------
big_size=$("$BIN/halvoran-bench-aid" firmware $((BIG_MB * 1024 * 1024)) "$WORK/big.bin") || exit 0
bases=() peaks=()
for _ in $(seq "$RUNS"); do
    start_sim || exit 0
    cli probe; bases+=("$RSS")
    stop_sim
    start_sim || exit 0
    cli upload-firmware "$WORK/big.bin"
    [ "$STATUS" = 0 ] || echo "bench: big upload failed ($STATUS): $(tail -2 "$WORK/cli.err")" >&2
    peaks+=("$RSS")
done
stop_sim
rm -f "$WORK/big.bin"
base_mib=$(calc "$(median "${bases[@]}") / 1024")
row "memory: CLI peak RSS, $BIG_MB MiB upload, unpaced" "$(calc "$(median "${peaks[@]}") / 1024")" \
    "$(calc "$base_mib + $big_size / 1048576")" MiB "ideal = file once + peak RSS of a probe ($base_mib MiB); unpaced: paced it takes ~1.6 h"

# --- desktop program ----------------------------------------------------------------
. "$ROOT/bench/desktop.sh"

# --- table --------------------------------------------------------------------------
mem_kib=$(awk '/MemTotal/ { print $2 }' /proc/meminfo)
echo
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(calc "$mem_kib / 1048576") GiB RAM; $(date -u +%Y-%m-%d)"
echo "Median of $RUNS runs; ratio = measured / ideal."
echo
echo "| figure | measured | ideal | ratio | how |"
echo "|---|---|---|---|---|"
printf '%s\n' "${ROWS[@]}"
exit 0
