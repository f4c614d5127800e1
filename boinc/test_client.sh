#!/usr/bin/env bash
# The app version under a real BOINC client, as a volunteer's host runs it:
# a client of its own in a temporary data directory (no server: the tasks
# are written into the client's state by hand, and its network stays off),
# driven through its GUI RPC port on the loopback. Three points are
# computed in all: a unit of k = 1000 (its exact line, suspension and
# resumption, the fraction done, the libraries it runs with), and a unit of
# k = 1001..1002 stopped with the client after its first line, that line's
# checkpoint, and a torn copy of the second line left in its output, all
# mended on the restart.
#
#   boinc/test_client.sh APPDIR [CLIENTDIR]
#
# APPDIR is the app version folder of this host's platform (make boinc-app);
# CLIENTDIR holds the programs boinc and boinccmd (default: those on the
# PATH). With BRUNSK set to a brunsk program, the second unit's output is
# also read by its --check-file. Ends with the line "N passed, N failed";
# the status is 0 only when nothing failed.
set -uo pipefail

usage() {
  echo "usage: $0 APPDIR [CLIENTDIR]" >&2
  exit 2
}
[ $# -ge 1 ] && [ $# -le 2 ] || usage
[ -f "$1/version.xml" ] || { echo "$0: $1 holds no version.xml (make boinc-app)" >&2; exit 2; }
app=$(cd "$1" && pwd)
if [ $# -eq 2 ]; then
  client_dir=$(cd "$2" && pwd)
else
  client_dir=$(dirname "$(command -v boinc || echo /usr/bin/boinc)")
fi
BOINC=$client_dir/boinc
BOINCCMD=$client_dir/boinccmd
[ -x "$BOINC" ] && [ -x "$BOINCCMD" ] || { echo "$0: no boinc and boinccmd in $client_dir (scripts/setup.sh --boinc)" >&2; exit 2; }

URL=http://vantrel.test/
THREADS=2
PASSWORD=brunsk-test
work=$(mktemp -d /tmp/brunsk-client.XXXXXX)
data=$work/data
project=$data/projects/vantrel.test
mkdir -p "$project"

passed=0
failed=0
client_pid=""
app_pids=()

say() { printf '%s %s\n' "$(date +%H:%M:%S)" "$*"; }
pass() { passed=$((passed + 1)); say "PASS $*"; }
fail() { failed=$((failed + 1)); say "FAIL $*"; }
# check WHAT COMMAND...: passes when the command succeeds.
check() {
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

alive() { [ -n "$1" ] && kill -0 "$1" 2>/dev/null; }
# Stops one process by its id: TERM, then KILL after 10 s.
stop_pid() {
  local pid=$1 i
  alive "$pid" || return 0
  kill -TERM "$pid" 2>/dev/null
  for i in $(seq 100); do alive "$pid" || return 0; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null
  for i in $(seq 50); do alive "$pid" || return 0; sleep 0.1; done
}
cleanup() {
  local pid
  stop_pid "$client_pid"
  for pid in "${app_pids[@]}"; do stop_pid "$pid"; done
  if [ "$failed" -eq 0 ]; then rm -rf "$work"; else echo "the client's data directory is kept: $data"; fi
}
trap cleanup EXIT

# wait_for SECONDS COMMAND...: true once the command succeeds, false when
# the time runs out first.
wait_for() {
  local limit=$1 start=$SECONDS
  shift
  until "$@"; do
    [ $((SECONDS - start)) -lt "$limit" ] || return 1
    sleep 1
  done
}

rpc() { "$BOINCCMD" --host "127.0.0.1:$port" --passwd "$PASSWORD" "$@" 2>/dev/null; }
# The value of one field of the task's entry in --get_tasks ("" when absent).
task_field() { rpc --get_tasks | sed -n "s/^ *$1: //p" | head -1; }
task_state() { task_field active_task_state; }
executing() { [ "$(task_state)" = EXECUTING ] && [ -n "$(task_field PID)" ] && [ "$(task_field PID)" != 0 ]; }
# CPU ticks of the process, all its threads.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo -1; }
gone() { ! alive "$1"; }
suspended() { [ "$(task_state)" = SUSPENDED ]; }
lines_in() { if [ -f "$1" ]; then grep -c '' "$1"; else echo 0; fi; }
has_lines() { [ "$(lines_in "$1")" -ge "$2" ]; }
# Stopped: at most 5 ticks (50 ms) in the 5 s, where a running task uses
# hundreds (the runtime's own timer thread may still take a tick).
idle_ticks() { [ "$1" -ge 0 ] && [ $(($2 - $1)) -le 5 ]; }
process_state() { awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null; }

# A loopback port nothing listens on.
port=""
for try in $(seq 20); do
  candidate=$((20000 + RANDOM % 40000))
  if ! (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null; then port=$candidate; break; fi
done
[ -n "$port" ] || { echo "$0: no free loopback port" >&2; exit 2; }

# --- The data directory: the project, its app version, the client's settings.
main=""
files=()
while read -r name; do files+=("$name"); done < <(sed -n 's:.*<physical_name>\(.*\)</physical_name>.*:\1:p' "$app/version.xml")
main=$(tr -d '\n' < "$app/version.xml" | sed -n 's:.*<physical_name>\([^<]*\)</physical_name>[[:space:]]*<main_program/>.*:\1:p')
[ -n "$main" ] || { echo "$0: $app/version.xml names no main program" >&2; exit 2; }
for name in "${files[@]}"; do cp "$app/$name" "$project/"; done
{
  echo "<app_info>"
  echo "  <app><name>brunsk</name><user_friendly_name>Brunsk pi(x)</user_friendly_name></app>"
  for name in "${files[@]}"; do
    if [ "$name" = "$main" ]; then
      echo "  <file_info><name>$name</name><executable/></file_info>"
    else
      echo "  <file_info><name>$name</name></file_info>"
    fi
  done
  echo "  <app_version>"
  echo "    <app_name>brunsk</app_name>"
  echo "    <version_num>100</version_num>"
  echo "    <platform>x86_64-pc-linux-gnu</platform>"
  echo "    <plan_class>mt</plan_class>"
  echo "    <avg_ncpus>$THREADS</avg_ncpus>"
  echo "    <cmdline>--nthreads $THREADS</cmdline>"
  for name in "${files[@]}"; do
    if [ "$name" = "$main" ]; then
      echo "    <file_ref><file_name>$name</file_name><main_program/></file_ref>"
    else
      echo "    <file_ref><file_name>$name</file_name></file_ref>"
    fi
  done
  echo "  </app_version>"
  echo "</app_info>"
} > "$project/app_info.xml"
cat > "$data/account_vantrel.test.xml" <<EOF
<account>
    <master_url>$URL</master_url>
    <authenticator>0123456789abcdef0123456789abcdef</authenticator>
    <project_name>Vantrel test</project_name>
</account>
EOF
cat > "$data/cc_config.xml" <<EOF
<cc_config>
  <log_flags><task/><checkpoint_debug/></log_flags>
  <options>
    <unsigned_apps_ok>1</unsigned_apps_ok>
    <skip_cpu_benchmarks>1</skip_cpu_benchmarks>
    <no_gpus>1</no_gpus>
    <allow_multiple_clients>1</allow_multiple_clients>
    <dont_contact_ref_site>1</dont_contact_ref_site>
    <ncpus>$THREADS</ncpus>
  </options>
</cc_config>
EOF
# The default suspends computing while other programs use more than a
# quarter of the processors: not on a shared test machine.
cat > "$data/global_prefs_override.xml" <<EOF
<global_preferences>
   <run_if_user_active>1</run_if_user_active>
   <run_on_batteries>1</run_on_batteries>
   <suspend_cpu_usage>0</suspend_cpu_usage>
   <cpu_usage_limit>100</cpu_usage_limit>
   <max_ncpus_pct>100</max_ncpus_pct>
   <leave_apps_in_memory>0</leave_apps_in_memory>
</global_preferences>
EOF
printf '%s\n' "$PASSWORD" > "$data/gui_rpc_auth.cfg"

# write_state UNIT S E: the client's state with one task, unit UNIT of the
# range S..E; its result is UNIT_0 and the output file UNIT_0_r0.
write_state() {
  local unit=$1
  printf '%s %s\n' "$2" "$3" > "$project/$unit.in"
  rm -f "$data/client_state.xml" "$data/client_state_prev.xml"
  rm -rf "$data/slots"
  cat > "$data/client_state.xml" <<EOF
<client_state>
<user_network_request>3</user_network_request>
<project>
    <master_url>$URL</master_url>
    <project_name>Vantrel test</project_name>
    <dont_request_more_work/>
</project>
<file_info>
    <name>$unit.in</name>
    <nbytes>$(stat -c %s "$project/$unit.in")</nbytes>
    <max_nbytes>0</max_nbytes>
    <status>1</status>
</file_info>
<file_info>
    <name>${unit}_0_r0</name>
    <nbytes>0</nbytes>
    <max_nbytes>1000000</max_nbytes>
    <status>0</status>
    <upload_url>${URL}upload</upload_url>
</file_info>
<workunit>
    <name>$unit</name>
    <app_name>brunsk</app_name>
    <version_num>100</version_num>
    <rsc_fpops_est>200000000000</rsc_fpops_est>
    <rsc_fpops_bound>200000000000000</rsc_fpops_bound>
    <rsc_memory_bound>500000000</rsc_memory_bound>
    <rsc_disk_bound>100000000</rsc_disk_bound>
    <file_ref>
        <file_name>$unit.in</file_name>
        <open_name>in</open_name>
    </file_ref>
</workunit>
<result>
    <name>${unit}_0</name>
    <final_cpu_time>0</final_cpu_time>
    <final_elapsed_time>0</final_elapsed_time>
    <exit_status>0</exit_status>
    <state>2</state>
    <platform>x86_64-pc-linux-gnu</platform>
    <version_num>100</version_num>
    <plan_class>mt</plan_class>
    <wu_name>$unit</wu_name>
    <report_deadline>$(( $(date +%s) + 30 * 86400 ))</report_deadline>
    <received_time>$(date +%s)</received_time>
    <file_ref>
        <file_name>${unit}_0_r0</file_name>
        <open_name>out</open_name>
    </file_ref>
</result>
</client_state>
EOF
}

start_client() {
  (cd "$data" && exec "$BOINC" --dir "$data" --gui_rpc_port "$port" --no_info_fetch --allow_multiple_clients \
     --skip_cpu_benchmarks --unsigned_apps_ok --no_gpus >> "$data/client.log" 2>&1 < /dev/null) &
  client_pid=$!
  if ! wait_for 30 rpc --get_cc_status >/dev/null; then
    fail "the client answers on 127.0.0.1:$port"
    return 1
  fi
  rpc --set_network_mode never 0 >/dev/null
  return 0
}

# Quits the client through its RPC and waits for it and the app to end.
quit_client() {
  local app_pid=${1:-}
  rpc --quit >/dev/null
  wait_for 40 gone "$client_pid" || stop_pid "$client_pid"
  wait "$client_pid" 2>/dev/null
  client_pid=""
  [ -z "$app_pid" ] || wait_for 40 gone "$app_pid" || stop_pid "$app_pid"
}

# The task's log as the client keeps it with the result, after the task ended.
stderr_out() {
  tr -d '\r' < "$data/client_state.xml" | sed -n '/<stderr_out>/,/<\/stderr_out>/p'
}
result_exit_status() { sed -n 's:.*<exit_status>\(.*\)</exit_status>.*:\1:p' "$data/client_state.xml" | head -1; }

stamped() { grep -qE "^[0-9]{2}:[0-9]{2}:[0-9]{2} \([0-9]+\): $1" <<<"$2"; }

say "client $("$BOINC" --version 2>/dev/null | head -1) from $client_dir, app version $app, data $data, port $port"

# --- Unit 1: k = 1000.
write_state pix1000 1000 1000
out1=$project/pix1000_0_r0
if start_client; then
  started=$SECONDS
  if wait_for 90 executing; then
    pid=$(task_field PID)
    app_pids+=("$pid")
    pass "the client starts the task (PID $pid)"
    maps=$(cat "/proc/$pid/maps" 2>/dev/null)
    shipped=true
    for name in "${files[@]}"; do
      case "$name" in lib*.so*) ;; *) continue ;; esac
      grep -q "projects/vantrel.test/$name\$" <<<"$maps" || shipped=false
    done
    check "the app runs with the shipped libraries" $shipped
    check "the app loads no prime-sieve library and no BOINC library of the host" \
      bash -c "! grep -qE '/lib/[^ ]*(libprimesieve|libboinc)' /proc/$pid/maps"

    # The client hears of the fraction done a few seconds after the app
    # reports it, later on a loaded machine: f1 is the first it tells.
    fraction_above() { awk -v a="$(task_field "fraction done")" -v b="$1" 'BEGIN { exit !(a + 0 > b + 0) }'; }
    wait_for 60 fraction_above 0 || true
    f1=$(task_field "fraction done")
    suspended_at=$SECONDS
    rpc --task "$URL" pix1000_0 suspend >/dev/null
    if wait_for 20 suspended; then
      sleep 2
      t1=$(ticks "$pid")
      sleep 5
      t2=$(ticks "$pid")
      check "a suspended task uses no CPU ($t1 -> $t2 ticks in 5 s, process state $(process_state "$pid"))" \
        idle_ticks "$t1" "$t2"
      check "a task suspended before its first checkpoint stays in memory" alive "$pid"
    else
      fail "the task is suspended (state $(task_state))"
    fi
    rpc --task "$URL" pix1000_0 resume >/dev/null
    wait_for 20 executing
    suspended_for=$((SECONDS - suspended_at))
    t3=$(ticks "$pid")
    sleep 3
    t4=$(ticks "$pid")
    check "a resumed task computes again ($t3 -> $t4 ticks in 3 s)" [ "$t4" -gt "$t3" ]
    wait_for 60 fraction_above "$f1" || true
    f2=$(task_field "fraction done")
    check "the fraction done rises ($f1 -> $f2)" awk -v a="$f1" -v b="$f2" 'BEGIN { exit !(a + 0 > 0 && b + 0 > a + 0) }'

    if wait_for 400 gone "$pid"; then
      ran_for=$((SECONDS - started))
      sleep 2
      quit_client
      check "the unit of k=1000 gives its exact line" \
        [ "$(cat "$out1" 2>/dev/null)" = "1000:2623557157654233:-0.05813:158" ]
      check "the unit of k=1000 ends with status 0" [ "$(result_exit_status)" = 0 ]
      log=$(stderr_out)
      total=$(sed -n 's/.*Check OK, total time=\([0-9.]*\).*/\1/p' <<<"$log" | head -1)
      check "\"total time\" ($total s) leaves out the $suspended_for s suspended (task ran $ran_for s)" \
        awk -v t="$total" -v s="$suspended_for" -v r="$ran_for" 'BEGIN { exit !(t + 0 > 0 && t + s - 2 < r) }'
      check "the log's lines are time stamped" stamped "Check OK, total time=" "$log"
    else
      fail "the unit of k=1000 ends within the time limit"
      quit_client "$pid"
    fi
  else
    fail "the client starts the task (state $(task_state))"
    quit_client
  fi
fi

# --- Unit 2: k = 1001..1002, stopped after its first line.
write_state pix1001 1001 1002
out2=$project/pix1001_0_r0
if start_client; then
  if wait_for 90 executing; then
    pid=$(task_field PID)
    app_pids+=("$pid")
    if wait_for 400 has_lines "$out2" 1; then
      first=$(head -1 "$out2")
      sleep 3
      checkpoint=$(task_field "CPU time at last checkpoint")
      check "the client hears of the checkpoint after the first line (CPU time at it: $checkpoint s)" \
        awk -v c="$checkpoint" 'BEGIN { exit !(c + 0 > 0) }'
      slot_log=$(ls "$data"/slots/*/stderr.txt 2>/dev/null | head -1)
      quit_client "$pid"
      check "the app has stopped with the client" gone "$pid"
      check "the log says the client asked the app to quit" \
        grep -q "The client asked the application to quit" "$slot_log"
      # A power cut in the middle of the second line's write.
      printf '1002:27034' >> "$out2"
      if start_client && wait_for 90 executing; then
        pid=$(task_field PID)
        app_pids+=("$pid")
        wait_for 400 gone "$pid" || fail "the unit of k=1001..1002 ends within the time limit"
        sleep 2
      else
        fail "the restarted client starts the task again"
      fi
      quit_client "$pid"
      log=$(stderr_out)
      check "the unit of k=1001..1002 ends with status 0" [ "$(result_exit_status)" = 0 ]
      check "the output holds the two lines, the first one untouched" \
        bash -c "[ \$(grep -c '' '$out2') = 2 ] && [ \"\$(head -1 '$out2')\" = '$first' ] && [ -z \"\$(tail -c 1 '$out2')\" ]"
      check "the torn last line is cut off and its point computed again" \
        stamped "The last line of .* was cut short \(10 bytes without an end of line\): removed, k=1002" "$log"
      check "the restart resumes at k=1002" stamped "Resuming at k=1002" "$log"
      check "the finished point is not computed again" [ "$(grep -c '1001/1002 - Compute' <<<"$log")" = 1 ]
      if [ -n "${BRUNSK:-}" ]; then
        cp "$out2" "$work/Pix1001-1002.txt"
        check "brunsk --check-file accepts the output" "$BRUNSK" --check-file "$work/Pix1001-1002.txt"
      fi
    else
      fail "the first line of k=1001..1002 is written within the time limit"
      quit_client "$pid"
    fi
  else
    fail "the client starts the task (state $(task_state))"
    quit_client
  fi
fi
check "the client logged no computation error" bash -c "! grep -qi 'computation error\|finished. file\|heartbeat' '$data/client.log'"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
