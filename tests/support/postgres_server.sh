#!/usr/bin/env bash
# A private PostgreSQL server for the tests, in a temporary folder of its own and reached only
# through a Unix socket there, so that it never meets another server or another run's.
#   postgres_server.sh start STATE   starts it; STATE/conninfo then holds its connection string
#   postgres_server.sh stop STATE    stops it and removes its folder
#   postgres_server.sh restart STATE [SECONDS]
#                                    stops it, waits that long (default 0), and starts it again
#                                    on the same data
#   postgres_server.sh crash STATE   kills every process of it with SIGKILL, as a machine that
#                                    loses power would, and waits until they are gone
#   postgres_server.sh up STATE      starts it again on the same data (after a crash: recovers)
#   postgres_server.sh pause STATE   stops every process of it with SIGSTOP: a server that
#                                    neither answers nor drops a connection
#   postgres_server.sh resume STATE  lets them run again (SIGCONT)
# Started as the postgres user when the tests run as root, as the server refuses to run as root.
# FSYNC=on keeps the server's syncs (for benchmarks); tests run without them.
set -euo pipefail
command=${1:?usage: postgres_server.sh start|stop|restart|crash|up|pause|resume STATE}
state=${2:?usage: postgres_server.sh start|stop|restart|crash|up|pause|resume STATE}
bin=$(find /usr/lib/postgresql -maxdepth 2 -name bin -type d 2>/dev/null | sort -V | tail -n 1)
[ -n "$bin" ] || { echo "postgres_server.sh: PostgreSQL's programs are not installed" >&2; exit 1; }
as=()
if [ "$(id -u)" -eq 0 ]; then as=(runuser -u postgres --); fi

# The server's processes: the postmaster (the first line of its pid file) and its children.
processes() {
  local pid
  pid=$(head -n 1 "$1/db/postmaster.pid" 2>/dev/null) || return 0
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 0
  echo "$pid"
  ps -o pid= --ppid "$pid" || true
}

server() {
  local data=$1
  shift
  "${as[@]}" "$bin/pg_ctl" -D "$data/db" -l "$data/server.log" -w -t 60 "$@"
}

case "$command" in
  start)
    rm -rf "$state"
    mkdir -p "$state"
    data=$(mktemp -d /tmp/tarnix-postgres.XXXXXX)
    chmod 755 "$data"
    if [ "$(id -u)" -eq 0 ]; then chown postgres "$data"; user=postgres; else user=$(id -un); fi
    "${as[@]}" "$bin/initdb" -D "$data/db" -A trust -U "$user" --no-sync >"$data/initdb.log"
    {
      echo "listen_addresses = ''"
      echo "unix_socket_directories = '$data'"
      echo "max_connections = 200"
      echo "fsync = ${FSYNC:-off}"
    } >>"$data/db/postgresql.conf"
    server "$data" start >/dev/null
    echo "$data" >"$state/data"
    echo "host=$data user=$user dbname=postgres" >"$state/conninfo"
    ;;
  stop)
    [ -f "$state/data" ] || exit 0
    data=$(cat "$state/data")
    server "$data" -m immediate stop >/dev/null 2>&1 || true
    rm -rf "$data" "$state"
    ;;
  restart)
    data=$(cat "$state/data")
    server "$data" -m fast stop >/dev/null
    sleep "${3:-0}"
    server "$data" start >/dev/null
    ;;
  crash)
    data=$(cat "$state/data")
    pids=$(processes "$data")
    # The postmaster first, so that none of its children is started again in between.
    for pid in $pids; do kill -KILL "$pid" 2>/dev/null || true; done
    for _ in $(seq 100); do
      alive=0
      for pid in $pids; do kill -0 "$pid" 2>/dev/null && alive=1; done
      [ "$alive" -eq 0 ] && break
      sleep 0.05
    done
    ;;
  up)
    data=$(cat "$state/data")
    # pg_ctl warns of the pid file the crash left; only a failure is worth showing.
    server "$data" start >"$data/up.log" 2>&1 || { cat "$data/up.log" >&2; exit 1; }
    ;;
  pause | resume)
    data=$(cat "$state/data")
    signal=STOP
    [ "$command" = resume ] && signal=CONT
    for pid in $(processes "$data"); do kill -"$signal" "$pid" 2>/dev/null || true; done
    ;;
  *)
    echo "postgres_server.sh: unknown command '$command'" >&2
    exit 2
    ;;
esac
