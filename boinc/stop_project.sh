#!/usr/bin/env bash
# Stops what boinc/make_project.sh DIR started, each by its pid: the
# project's daemons (bin/stop, then any pid of theirs still alive), Apache,
# MariaDB. Each gets TERM, then KILL after 20 s. Safe to run twice.
#
#   boinc/stop_project.sh DIR
set -uo pipefail
[ $# -eq 1 ] && [ -f "$1/server.env" ] || { echo "usage: $0 DIR (a folder of boinc/make_project.sh)" >&2; exit 1; }
# shellcheck source=/dev/null
. "$1/server.env"

alive() { [ -n "$1" ] && kill -0 "$1" 2>/dev/null; }
stop_pid() {
  local pid=$1 i
  [[ "$pid" =~ ^[0-9]+$ ]] && alive "$pid" || return 0
  kill -TERM "$pid" 2>/dev/null
  for i in $(seq 200); do alive "$pid" || return 0; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null
  for i in $(seq 50); do alive "$pid" || return 0; sleep 0.1; done
}
pid_in() { [ -f "$1" ] && tr -dc '0-9' < "$1"; }

if [ -d "$PROJECT" ] && [ -x "$PROJECT/bin/stop" ]; then
  (cd "$PROJECT" && timeout 60 runuser -u www-data -- env -i PATH=/usr/local/bin:/usr/bin:/bin bin/stop) >/dev/null 2>&1
  for file in "$PROJECT"/pid_*/*.pid; do
    [ -f "$file" ] && stop_pid "$(pid_in "$file")"
  done
fi
stop_pid "$(pid_in "$APACHE_PID")"
stop_pid "$(pid_in "$MYSQL_PID")"
exit 0
