#!/usr/bin/env bash
# Starts or stops one of the local test servers of this folder.
#
#   serve.sh start STATE_DIR SCRIPT   start SCRIPT STATE_DIR in the background,
#                                     wait (at most 20 s) for STATE_DIR/ports
#   serve.sh stop STATE_DIR           stop the server this state directory
#                                     started (its pid), nothing else
set -uo pipefail
action=$1 state=$2
case "$action" in
  start)
    script=$3
    "$0" stop "$state"
    rm -rf "$state"
    mkdir -p "$state"
    setsid /usr/bin/python3 "$script" "$state" >"$state/server.log" 2>&1 </dev/null &
    echo $! >"$state/pid"
    for _ in $(seq 1 200); do
      [ -s "$state/ports" ] && exit 0
      kill -0 "$(cat "$state/pid")" 2>/dev/null || break
      sleep 0.1
    done
    echo "serve.sh: $script did not start (see $state/server.log)" >&2
    cat "$state/server.log" >&2
    exit 1
    ;;
  stop)
    pid=$(cat "$state/pid" 2>/dev/null) || exit 0
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      kill "$pid"
      for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -f "$state/pid"
    ;;
  *) echo "usage: serve.sh start|stop STATE_DIR [SCRIPT]" >&2; exit 2 ;;
esac
