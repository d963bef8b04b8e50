# Runs the checks of scripts/test and scripts/hardening and keeps one result line each.
# Source it after common.sh.
#
# A check in the foreground (check_run) has the machine; checks started with
# check_start_background run at the lowest CPU priority (nice 19), so
# they use only what the foreground leaves idle (a link, a UI test waiting for a page) and
# barely slow it down; once the foreground is done they have the machine to themselves.

CHECKS_DIR="$REPO_ROOT/build/checks"
BACKGROUND_PIDS=()

checks_reset() {
    rm -rf "$CHECKS_DIR"
    mkdir -p "$CHECKS_DIR"
}

# check_run NAME COMMAND...: runs the command, its output shown and kept in NAME.log, and
# records "ok|FAILED  NAME (seconds): its last line" in NAME.result. Returns its status.
check_run() {
    local name="$1"
    shift
    local start=$SECONDS status=0
    log "$name"
    "$@" 2>&1 | tee "$CHECKS_DIR/$name.log" || status=${PIPESTATUS[0]}
    check_record "$name" "$status" $((SECONDS - start))
    return "$status"
}

# check_run_quietly NAME COMMAND...: as check_run, the output kept in NAME.log only.
check_run_quietly() {
    local name="$1"
    shift
    local start=$SECONDS status=0
    "$@" >"$CHECKS_DIR/$name.log" 2>&1 || status=$?
    check_record "$name" "$status" $((SECONDS - start))
    return "$status"
}

check_record() {
    local name="$1" status="$2" elapsed="$3" verdict=ok last
    last="$(tail -1 "$CHECKS_DIR/$name.log" 2>/dev/null || true)"
    [ "$status" -eq 0 ] || verdict=FAILED
    printf '%-7s %s (%ds): %s\n' "$verdict" "$name" "$elapsed" "$last" >"$CHECKS_DIR/$name.result"
}

# check_start_background NAME... : runs scripts/NAME for each name, side by side, at nice
# 19, in the background; their output is printed when check_wait_background ends. Side by
# side, one of them keeps both cores busy when the other runs on one (wine runs the Windows
# tests on one core).
check_start_background() {
    local name
    BACKGROUND_PIDS=()
    for name in "$@"; do
        check_run_quietly "$name" nice -n 19 "$REPO_ROOT/scripts/$name" &
        BACKGROUND_PIDS+=($!)
    done
    log "started at low priority: $* (output at the end)"
}

# Waits for the background checks and prints their output.
check_wait_background() {
    local name pid
    [ "${#BACKGROUND_PIDS[@]}" -gt 0 ] || return 0
    log "waiting for: $*"
    for pid in "${BACKGROUND_PIDS[@]}"; do
        wait "$pid" || true
    done
    BACKGROUND_PIDS=()
    for name in "$@"; do
        log "$name (ran in the background)"
        cat "$CHECKS_DIR/$name.log" 2>/dev/null || echo "$name: no output"
    done
}

# Prints every result line; returns non-zero when any check failed or left no result.
check_summary() {
    local failed=0 name
    log "summary"
    for name in "$@"; do
        if [ -f "$CHECKS_DIR/$name.result" ]; then
            cat "$CHECKS_DIR/$name.result"
            grep -q '^ok ' "$CHECKS_DIR/$name.result" || failed=1
        else
            echo "FAILED  $name: did not run"
            failed=1
        fi
    done
    return "$failed"
}
