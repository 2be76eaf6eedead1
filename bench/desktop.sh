# Sourced by run.sh: the desktop program, offscreen. There is no hook that
# reports the welcome page shown, so start-up is timed to the first second
# in which the program burns no CPU (an upper bound), and its peak RSS is read
# then. Browsing 30 pages needs a driver for the window; not measured.
desktop_rows() {
    local gui=${GUI_BIN:-$BIN/halvoran-config}
    if [ ! -x "$gui" ]; then
        not_measured "desktop start-up" "halvoran-config not built (HALVORAN_GUI=OFF or Qt missing)"
        not_measured "memory: desktop after start-up" "halvoran-config not built"
        return
    fi
    # Its own program folder, so the settings file stays out of the build.
    mkdir -p "$WORK/gui" && cp "$gui" "$WORK/gui/" && cp -r "$BIN/p1" "$WORK/gui/p1"
    start_sim --baud $BAUD || return
    local starts=() rsss=() failed=""
    for _ in $(seq "$RUNS"); do
        local t0 pid last=-1 ticks now idle_at="" 
        t0=$(date +%s%N)
        QT_QPA_PLATFORM=offscreen "$WORK/gui/halvoran-config" --device "$LINK" >"$WORK/gui.out" 2>&1 &
        pid=$!
        # Poll every 0.25 s; idle = no CPU ticks over the last four polls.
        local still=0
        for _ in $(seq 240); do
            sleep 0.25
            [ -r "/proc/$pid/stat" ] || { failed="exited: $(tail -1 "$WORK/gui.out")"; break; }
            ticks=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
            if [ "$ticks" = "$last" ]; then
                still=$((still + 1))
                [ -z "$idle_at" ] && idle_at=$(date +%s%N)
                [ $still -ge 4 ] && break
            else
                still=0; idle_at=""
            fi
            last=$ticks
        done
        if [ -n "$idle_at" ] && [ -r "/proc/$pid/status" ]; then
            starts+=("$(calc "($idle_at - $t0) / 1e9 - 0.25")")
            rsss+=("$(awk '/VmHWM/ { printf "%.1f", $2 / 1024 }' "/proc/$pid/status")")
        fi
        kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
        [ -n "$failed" ] && break
    done
    stop_sim
    if [ ${#starts[@]} -eq 0 ]; then
        not_measured "desktop start-up" "halvoran-config did not settle offscreen${failed:+ ($failed)}"
        not_measured "memory: desktop after start-up" "as above"
        return
    fi
    ROWS+=("| desktop start-up, offscreen | $(median "${starts[@]}") s | - | - | to the first idle second (upper bound; no welcome-page hook) |")
    ROWS+=("| memory: desktop after start-up | $(median "${rsss[@]}") MiB | - | - | peak RSS (VmHWM) once idle |")
    not_measured "memory: desktop after 30 pages" "needs a driver for the window's navigation"
}
desktop_rows
