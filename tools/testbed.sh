#!/usr/bin/env bash
# Kestrava's test bed: a private Xorg (dummy video driver, two monitors, a real
# gamma ramp) and a private Wine prefix that runs the Windows build.
#
#   tools/testbed.sh start   start Xorg and the prefix's wineserver
#   tools/testbed.sh env     print the export lines (eval "$(tools/testbed.sh env)")
#   tools/testbed.sh stop    stop wineserver and Xorg; safe to repeat
#
# State (logs, process ids, the env file and the Wine prefix) lives in
# $KESTRAVA_TESTBED_DIR, by default build/testbed in the repository. The prefix
# is kept between runs, since making one takes about ten seconds.
# KESTRAVA_PIN=1 pins Xorg and wineserver to CPU 0 (for timing runs).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(dirname "$here")"
state="${KESTRAVA_TESTBED_DIR:-$repo/build/testbed}"
[[ "$state" == /* ]] || state="$PWD/$state"
prefix="$state/prefix"
conf="$here/xorg-dummy.conf"

wine=/usr/lib/wine/wine64
if [[ -x /usr/lib/wine/wineserver64 ]]; then
    wineserver=/usr/lib/wine/wineserver64
else
    wineserver="$(command -v wineserver || echo /usr/lib/wine/wineserver)"
fi
if [[ -x /usr/lib/xorg/Xorg ]]; then xorg=/usr/lib/xorg/Xorg; else xorg=Xorg; fi

log() { echo "testbed: $*" >&2; }
xorg_log_tail() {
    log "last lines of Xorg's log ($state/xorg.log):"
    if [[ -s "$state/xorg.log" ]]; then tail -n 20 "$state/xorg.log" >&2; else tail -n 20 "$state/xorg.out" >&2; fi || true
}
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f s", b - a }'; }

pin=()
if [[ "${KESTRAVA_PIN:-0}" == 1 ]]; then pin=(taskset -c 0); fi

alive() { [[ -n "$1" ]] && kill -0 "$1" 2>/dev/null; }

# Waits up to $2 seconds for process $1 to end.
wait_gone() {
    local pid=$1 deadline=$(($(date +%s) + $2))
    while alive "$pid"; do
        if (($(date +%s) >= deadline)); then return 1; fi
        sleep 0.1
    done
}

# Runs a command in a new session, in the background, writing its own process
# id to $1 before it starts (it execs, so the id is the program's). The daemon
# keeps none of the caller's file descriptors, so a caller reading our output
# through a pipe is not held up by it.
# shellcheck disable=SC2016
spawn_script='echo $$ >"$0"
for fd in /proc/$$/fd/*; do
    fd=${fd##*/}
    if ((fd > 2)); then eval "exec $fd>&-"; fi
done
exec "$@"'
spawn() {
    local pidfile=$1 out=$2
    shift 2
    rm -f "$pidfile"
    setsid "${pin[@]}" bash -c "$spawn_script" "$pidfile" "$@" </dev/null >>"$out" 2>&1 &
}

read_pid() { if [[ -s "$1" ]]; then cat "$1"; fi; }

quote() { printf "'%s'" "${1//\'/\'\\\'\'}"; }

wine_env() {
    export DISPLAY=":$1" WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

# The socket of wineserver $1, once it listens. The folder it lives in,
# .../server-DEV-INODE, is one the server holds open (Debian's Wine puts it
# under a random /tmp/wine-XXXXXX, so it is found through /proc).
wineserver_socket() {
    local fd target
    for fd in /proc/"$1"/fd/*; do
        target="$(readlink "$fd" 2>/dev/null || true)"
        if [[ "$target" == */server-* && -d "$target" && -S "$target/socket" ]]; then
            echo "$target/socket"
            return 0
        fi
    done
    return 1
}

# Whether display :$1 is taken: its lock file, its socket, or its abstract
# socket (which a server in another mount namespace may hold).
display_taken() {
    [[ -e /tmp/.X$1-lock || -e /tmp/.X11-unix/X$1 ]] ||
        awk -v p="@/tmp/.X11-unix/X$1" '$8 == p { found = 1 } END { exit !found }' /proc/net/unix
}

# Whether Xorg $1 itself listens on display :$2 (so that an answer on :$2
# comes from our server and not from another one).
xorg_listens() {
    local fd inodes=""
    for fd in /proc/"$1"/fd/*; do
        fd="$(readlink "$fd" 2>/dev/null || true)"
        if [[ "$fd" =~ ^socket:\[([0-9]+)\]$ ]]; then inodes+=" ${BASH_REMATCH[1]}"; fi
    done
    awk -v n="$2" -v inodes="$inodes " '
        ($8 == "/tmp/.X11-unix/X" n || $8 == "@/tmp/.X11-unix/X" n) && index(inodes, " " $7 " ") { found = 1 }
        END { exit !found }' /proc/net/unix
}

start_xorg() {
    local n pid t0 deadline
    mkdir -p "$state/xorg.conf.d"
    for n in $(seq 50 99); do
        if display_taken "$n"; then continue; fi
        log "starting Xorg on :$n"
        t0="$(now)"
        : >"$state/xorg.log"
        spawn "$state/xorg.pid" "$state/xorg.out" "$xorg" ":$n" -noreset -nolisten tcp \
            -config "$conf" -configdir "$state/xorg.conf.d" -logfile "$state/xorg.log"
        deadline=$(($(date +%s) + 30))
        while :; do
            pid="$(read_pid "$state/xorg.pid")"
            if [[ -n "$pid" ]] && alive "$pid" && xorg_listens "$pid" "$n" &&
                xdpyinfo -display ":$n" >/dev/null 2>&1; then
                echo "$n" >"$state/display"
                log "Xorg :$n answers (pid $pid) after $(since "$t0")"
                return 0
            fi
            if [[ -n "$pid" ]] && ! alive "$pid"; then
                if grep -qE "already active|Cannot establish any listening sockets" "$state/xorg.log" "$state/xorg.out" 2>/dev/null; then
                    log "display :$n was taken meanwhile; trying the next one"
                    continue 2
                fi
                log "Xorg exited"
                xorg_log_tail
                return 1
            fi
            if (($(date +%s) >= deadline)); then
                log "Xorg :$n did not answer within 30 s"
                xorg_log_tail
                return 1
            fi
            sleep 0.1
        done
    done
    log "no free display number in :50..:99"
    return 1
}

add_second_monitor() {
    local n=$1 monitors
    xrandr -display ":$n" --newmode "1280x1024_t" 108.00 1280 1328 1440 1688 1024 1025 1028 1066 +hsync +vsync
    xrandr -display ":$n" --addmode DUMMY1 1280x1024_t
    xrandr -display ":$n" --output DUMMY1 --mode 1280x1024_t --right-of DUMMY0
    monitors="$(xrandr -display ":$n" --listactivemonitors | sed -n 's/^Monitors: *//p')"
    if [[ "$monitors" != 2 ]]; then
        log "expected 2 active monitors, xrandr says ${monitors:-nothing}:"
        xrandr -display ":$n" --listactivemonitors >&2 || true
        return 1
    fi
    log "two monitors active: $(xrandr -display ":$n" --listactivemonitors | tail -n +2 | awk '{print $NF, $3}' | paste -sd ' ')"
}

start_wine() {
    local n=$1 t0 pid sock deadline
    wine_env "$n"
    mkdir -p "$prefix"
    # A new prefix (or one without Managed=N): make it with a wineserver of its
    # own, set Managed=N, and stop that server, so that every Wine process of
    # the test bed (the services too) starts with the setting in place.
    if [[ ! -f "$prefix/system.reg" ]] || ! grep -q '^"Managed"="N"' "$prefix/user.reg" 2>/dev/null; then
        log "making the Wine prefix $prefix"
        t0="$(now)"
        timeout 300 "$wine" wineboot -i </dev/null >>"$state/wine.log" 2>&1
        timeout 120 "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
            </dev/null >>"$state/wine.log" 2>&1
        timeout 60 "$wineserver" -k >/dev/null 2>&1 || true
        timeout 60 "$wineserver" -w >/dev/null 2>&1 || true
        log "prefix made in $(since "$t0")"
    else
        log "reusing the Wine prefix $prefix"
    fi

    t0="$(now)"
    spawn "$state/wineserver.pid" "$state/wineserver.log" "$wineserver" -f -p
    deadline=$(($(date +%s) + 20))
    while :; do
        pid="$(read_pid "$state/wineserver.pid")"
        if [[ -n "$pid" ]] && sock="$(wineserver_socket "$pid")"; then break; fi
        if [[ -n "$pid" ]] && ! alive "$pid"; then
            log "wineserver exited:"
            tail -n 20 "$state/wineserver.log" >&2 || true
            return 1
        fi
        if (($(date +%s) >= deadline)); then
            log "wineserver did not start listening within 20 s"
            return 1
        fi
        sleep 0.05
    done
    # The first process starts Wine's services, which keep its stdout and
    # stderr open for good: give them /dev/null, so that later programs'
    # output can be read through a pipe.
    timeout 120 "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        </dev/null >/dev/null 2>&1
    pid="$(read_pid "$state/wineserver.pid")"
    alive "$pid" || { log "wineserver is not running"; return 1; }
    log "wineserver (pid $pid, $sock) and services up after $(since "$t0")"
}

write_env() {
    local n=$1 tmp="$state/env.tmp"
    {
        echo "export DISPLAY=$(quote ":$n")"
        echo "export WINEPREFIX=$(quote "$prefix")"
        echo "export WINEDEBUG=$(quote "-all")"
        echo "export WINEDLLOVERRIDES=$(quote "mscoree,mshtml=")"
        echo "export KESTRAVA_TESTBED_DIR=$(quote "$state")"
    } >"$tmp"
    mv "$tmp" "$state/env"
}

# Process ids of Wine processes (loader or server) running for our prefix.
wine_processes() {
    local p exe
    for p in /proc/[0-9]*; do
        exe="$(readlink "$p/exe" 2>/dev/null || true)"
        [[ "$exe" == /usr/lib/wine/* ]] || continue
        if tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix"; then
            echo "${p#/proc/}"
        fi
    done
}

cmd_stop() {
    local pid n left
    [[ -d "$state" ]] || return 0
    rm -f "$state/env"
    # Wine: ask the prefix's server to end everything, then make sure.
    pid="$(read_pid "$state/wineserver.pid")"
    if [[ -d "$prefix" ]] && { alive "$pid" || [[ -n "$(wine_processes)" ]]; }; then
        WINEPREFIX="$prefix" timeout 30 "$wineserver" -k >/dev/null 2>&1 || true
        if alive "$pid" && ! wait_gone "$pid" 10; then
            log "wineserver $pid ignored -k; killing it"
            kill -KILL "$pid" 2>/dev/null || true
        fi
        left="$(wine_processes)"
        if [[ -n "$left" ]]; then
            log "killing leftover Wine processes: $(echo "$left" | paste -sd ' ')"
            # shellcheck disable=SC2086
            kill -KILL $left 2>/dev/null || true
        fi
        log "Wine stopped"
    fi
    rm -f "$state/wineserver.pid"

    # Xorg, by its process id (checked to still be an X server).
    pid="$(read_pid "$state/xorg.pid")"
    n="$(cat "$state/display" 2>/dev/null || true)"
    if alive "$pid" && [[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == Xorg ]]; then
        kill -TERM "$pid" 2>/dev/null || true
        if ! wait_gone "$pid" 15; then
            log "Xorg $pid ignored SIGTERM; killing it"
            kill -KILL "$pid" 2>/dev/null || true
            wait_gone "$pid" 5 || log "Xorg $pid is still there"
        fi
        log "Xorg${n:+ :$n} stopped"
    fi
    # A killed server leaves its lock and socket behind.
    if [[ -n "$n" && -n "$pid" && -f "/tmp/.X$n-lock" ]] && ! alive "$pid"; then
        if [[ "$(tr -d ' \n' <"/tmp/.X$n-lock")" == "$pid" ]]; then
            rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
        fi
    fi
    rm -f "$state/xorg.pid" "$state/display"
}

cmd_start() {
    local n t0
    t0="$(now)"
    mkdir -p "$state"
    cmd_stop # leftovers of an earlier run with this state folder
    trap 'log "start failed; cleaning up"; cmd_stop' EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    [[ -r "$conf" ]] || { log "missing $conf"; exit 1; }
    [[ -x "$wine" ]] || { log "missing $wine (run tools/setup.sh)"; exit 1; }
    start_xorg
    n="$(cat "$state/display")"
    add_second_monitor "$n"
    start_wine "$n"
    write_env "$n"
    trap - EXIT INT TERM
    log "ready in $(since "$t0"): eval \"\$($0 env)\""
}

cmd_env() {
    if [[ ! -f "$state/env" ]]; then
        log "not started (no $state/env)"
        exit 1
    fi
    cat "$state/env"
}

case "${1:-}" in
start) cmd_start ;;
stop) cmd_stop ;;
env) cmd_env ;;
*)
    echo "usage: $0 start|stop|env" >&2
    exit 2
    ;;
esac
