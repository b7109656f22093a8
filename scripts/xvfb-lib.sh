# Sourced by the scripts: starts a private Xvfb display on a free number and stops it on exit.
# After start_private_display, DISPLAY names it.
start_private_display() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    XVFB_PID=$!
    local number
    read -r -t 30 number <"$fifo" || true
    rm -f "$fifo"
    if [ -z "${number:-}" ]; then
        echo "could not start Xvfb" >&2
        return 1
    fi
    export DISPLAY=":$number"
    trap stop_private_display EXIT
}

stop_private_display() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    fi
}
