#!/usr/bin/env bash
# The Vantrel project end to end on this machine: the BOINC server stood up
# by boinc/make_project.sh on the loopback, two real BOINC clients (two
# users, two hosts, two data folders, two GUI RPC ports) attached to it,
# and three units made from the ledger by boinc/make_work.sh: k = 1000,
# k = 1001..1002 and k = 1003. Both clients fetch, compute, upload and
# report them. The validator is held back until all six results are in;
# then one output of k = 1003 is damaged (its checksum changed). The first
# two units must be validated and assimilated, their three points verified
# in the ledger with their exact lines; the damaged result must be invalid,
# get no credit, its unit be left without a canonical result and a new
# result made for a third host, and nothing of k = 1003 reach the ledger.
# Last, the assimilator's script is told of a unit that ended without a
# valid result, as its daemon would tell it: noted, its range freed.
#
#   boinc/test_server.sh APPDIR CLIENTDIR BRUNSK BRUNSK_LEDGER
#
# APPDIR holds the app version folders (make boinc-app), CLIENTDIR the
# client's programs boinc and boinccmd (scripts/setup.sh --boinc). Run as
# root on a machine where 127.0.0.1:80 and 127.0.0.1:3306 are free. Every
# wait has a time limit; every process started is stopped by its pid, also
# on failure. Ends with "N passed, N failed"; the work folder is kept when
# something failed.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 4 ] || { echo "usage: $0 APPDIR CLIENTDIR BRUNSK BRUNSK_LEDGER" >&2; exit 2; }
apps=$(cd "$1" && pwd) client_dir=$(cd "$2" && pwd)
brunsk=$(readlink -f "$3") ledger_program=$(readlink -f "$4")
BOINC=$client_dir/boinc BOINCCMD=$client_dir/boinccmd
[ -x "$BOINC" ] && [ -x "$BOINCCMD" ] || { echo "$0: no boinc and boinccmd in $client_dir" >&2; exit 2; }

work=$(mktemp -d /tmp/brunsk-server.XXXXXX)
chmod 755 "$work"
server=$work/server
project=$server/projects/vantrel
ledger=$server/ledger/ledger.sqlite
URL=http://127.0.0.1/vantrel/
PASSWORD=brunsk-test
passed=0 failed=0
client_pids=()

say() { printf '%s %s\n' "$(date +%H:%M:%S)" "$*"; }
pass() { passed=$((passed + 1)); say "PASS $*"; }
fail() { failed=$((failed + 1)); say "FAIL $*"; }
check() {
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
alive() { [ -n "$1" ] && kill -0 "$1" 2>/dev/null; }
stop_pid() {
  local pid=$1 i
  alive "$pid" || return 0
  kill -TERM "$pid" 2>/dev/null
  for i in $(seq 200); do alive "$pid" || return 0; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null
}
cleanup() {
  local pid
  for pid in "${client_pids[@]}"; do stop_pid "$pid"; done
  [ -f "$server/server.env" ] && bash "$here/boinc/stop_project.sh" "$server"
  if [ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]; then rm -rf "$work"; else echo "the test's folder is kept: $work"; fi
}
trap cleanup EXIT
trap "exit 130" INT TERM HUP
wait_for() {
  local limit=$1 start=$SECONDS
  shift
  until "$@"; do
    [ $((SECONDS - start)) -lt "$limit" ] || return 1
    sleep 2
  done
}
sql() { mariadb --no-defaults --socket="$server/mysqld/mysqld.sock" -u root -N -B vantrel -e "$1" 2>/dev/null; }
www() { runuser -u www-data -- env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$project" USER=www-data "$@"; }
# As the assimilator's user: the ledger's journal files stay writable by it.
ledger_cmd() { www "$ledger_program" --db "$ledger" "$@"; }

# --- The server, its daemons with the validator held back, the units.
started=$SECONDS
if ! bash "$here/boinc/make_project.sh" --apps "$apps" --brunsk "$brunsk" --ledger-program "$ledger_program" \
     --no-daemons "$server"; then
  fail "the project is stood up"
  echo "$passed passed, $failed failed"
  exit 1
fi
pass "the project is stood up ($((SECONDS - started)) s)"

# --- The validator's scripts on outputs made by hand, named as BOINC names
# them: a whole one, one cut short, an empty one, one with a bad checksum.
outputs=$work/outputs
mkdir -p "$outputs"
printf '1001:2626111798288135:-0.05933:340\n1002:2628666375196794:-0.04981:617\n' > "$outputs/Pix1001-1002_0_r11_0"
head -1 "$outputs/Pix1001-1002_0_r11_0" > "$outputs/Pix1001-1002_1_r12_0"
: > "$outputs/Pix1001-1002_2_r13_0"
sed 's/617$/618/' "$outputs/Pix1001-1002_0_r11_0" > "$outputs/Pix1001-1002_3_r14_0"
cp "$outputs/Pix1001-1002_0_r11_0" "$outputs/Pix1001-1002_4_r15_0"
chmod -R a+rX "$outputs"
# The statuses of one script run on each set of arguments, "0 1 ...".
statuses() {
  local script=$1 arguments status out=""
  shift
  for arguments in "$@"; do
    (cd "$project/bin" && www "./$script" $arguments) > /dev/null 2>&1
    status=$?
    out="$out${out:+ }$status"
  done
  echo "$out"
}
o=$outputs/Pix1001-1002
check "the init script: a whole output valid, one cut short, an empty one and a bad checksum not" \
  [ "$(statuses brunsk_check_result "${o}_0_r11_0" "${o}_1_r12_0" "${o}_2_r13_0" "${o}_3_r14_0")" = "0 1 1 1" ]
check "the compare script: the same lines agree, a differing line does not" \
  [ "$(statuses brunsk_compare_results "${o}_0_r11_0 ${o}_4_r15_0" "${o}_0_r11_0 ${o}_3_r14_0")" = "0 1" ]

sed -i 's|<cmd>script_validator|<disabled>1</disabled><cmd>script_validator|' "$project/config.xml"
(cd "$project" && www bin/start) > "$work/start.log" 2>&1
units=()
for size in 1 2 1; do
  unit=$(bash "$here/boinc/make_work.sh" --units 1 "$size" "$project") || { fail "make_work.sh $size"; break; }
  units+=("${unit%% *}")
done
check "three units from the ledger: ${units[*]}" [ "${units[*]}" = "Pix1000-1000 Pix1001-1002 Pix1003-1003" ]
check "the ledger holds their ranges reserved" [ "$(ledger_cmd missing | head -1)" = "1004..10000" ]
unsent() { [ "$(sql "select count(*) from result where server_state = 2")" = 6 ]; }
check "the transitioner makes two results of each unit" wait_for 60 unsent
sleep 6  # the feeder loads them into its shared memory every few seconds

# --- Two clients: two users, two hosts; c1 with 2 CPUs (the mt version), c2 with one.
start_client() {
  local name=$1 ncpus=$2 port=$3 data=$work/$1
  mkdir -p "$data"
  cat > "$data/cc_config.xml" <<XML
<cc_config>
  <log_flags><task/><sched_op_debug/></log_flags>
  <options>
    <allow_multiple_clients>1</allow_multiple_clients>
    <skip_cpu_benchmarks>1</skip_cpu_benchmarks>
    <no_gpus>1</no_gpus>
    <dont_contact_ref_site>1</dont_contact_ref_site>
    <report_results_immediately>1</report_results_immediately>
    <ncpus>$ncpus</ncpus>
  </options>
</cc_config>
XML
  cat > "$data/global_prefs_override.xml" <<XML
<global_preferences>
   <run_if_user_active>1</run_if_user_active>
   <run_on_batteries>1</run_on_batteries>
   <suspend_cpu_usage>0</suspend_cpu_usage>
   <cpu_usage_limit>100</cpu_usage_limit>
   <max_ncpus_pct>100</max_ncpus_pct>
   <work_buf_min_days>0.1</work_buf_min_days>
   <work_buf_additional_days>0</work_buf_additional_days>
</global_preferences>
XML
  printf '%s\n' "$PASSWORD" > "$data/gui_rpc_auth.cfg"
  (cd "$data" && exec "$BOINC" --dir "$data" --gui_rpc_port "$port" --allow_multiple_clients --no_info_fetch \
     >> "$data/client.log" 2>&1 < /dev/null) &
  client_pids+=($!)
}
rpc() { local port=$1; shift; "$BOINCCMD" --host "127.0.0.1:$port" --passwd "$PASSWORD" "$@" 2>/dev/null; }
free_port() {
  local candidate
  while :; do
    candidate=$((20000 + RANDOM % 40000))
    (exec 3<>"/dev/tcp/127.0.0.1/$candidate") 2>/dev/null || { echo "$candidate"; return; }
  done
}
ports=("$(free_port)" "$(free_port)")
start_client c1 2 "${ports[0]}"
start_client c2 1 "${ports[1]}"
for i in 0 1; do
  port=${ports[i]}
  if ! wait_for 30 rpc "$port" --get_cc_status >/dev/null; then fail "client c$((i + 1)) answers on port $port"; continue; fi
  key=$(rpc "$port" --create_account "$URL" "c$((i + 1))@vantrel.test" "password$i" "c$((i + 1))" | sed -n 's/^account key: //p')
  if [ -n "$key" ] && rpc "$port" --project_attach "$URL" "$key" >/dev/null; then
    pass "client c$((i + 1)) makes an account and attaches (port $port)"
  else
    fail "client c$((i + 1)) makes an account and attaches (port $port)"
  fi
done

# --- Computed, uploaded and reported by both: six successful results, each
# client's three on its own host. A client that waits asks again.
reported() {
  local port
  [ "$(sql "select count(*) from result where server_state = 5 and outcome = 1")" = 6 ] && return 0
  for port in "${ports[@]}"; do
    [ -n "$(rpc "$port" --get_tasks | grep -m1 'name:')" ] || rpc "$port" --project "$URL" update >/dev/null
  done
  return 1
}
started=$SECONDS
check "both clients compute and report the three units" wait_for 900 reported
say "six results reported in $((SECONDS - started)) s"
check "each unit's two results were computed on two hosts of two users" \
  [ "$(sql "select count(*) from (select workunitid from result where outcome = 1 group by workunitid having count(distinct hostid) = 2 and count(distinct userid) = 2) t")" = 3 ]
check "the host with one CPU computes its three units with the plain version, not mt" \
  [ "$(sql "select concat(count(*), ' ', sum(av.plan_class = 'mt')) from result r join app_version av on av.id = r.app_version_id join host h on h.id = r.hostid where h.p_ncpus = 1 and r.outcome = 1")" = "3 0" ]

# --- One output of k = 1003 damaged before the validator sees it.
damaged=$(sql "select r.id, r.name from result r join workunit w on w.id = r.workunitid where w.name = 'Pix1003-1003' order by r.id limit 1")
damaged_id=${damaged%%$'\t'*} damaged_name=${damaged#*$'\t'}
file=$(find "$project/upload" -name "${damaged_name}_r*_0" | head -1)
if [ -n "$file" ] && [ -n "$damaged_id" ]; then
  line=$(cat "$file")
  checksum=${line##*:}
  printf '%s:%d\n' "${line%:*}" $(( (10#$checksum + 1) % 1000 )) > "$file"
  say "damaged $file: \"$line\" -> \"$(cat "$file")\""
else
  fail "the output of $damaged_name is found in upload/"
fi
sed -i 's|<disabled>1</disabled><cmd>script_validator|<cmd>script_validator|' "$project/config.xml"
(cd "$project" && www bin/start) >> "$work/start.log" 2>&1

assimilated() {
  [ "$(sql "select count(*) from workunit where name in ('Pix1000-1000', 'Pix1001-1002') and assimilate_state = 2")" = 2 ] &&
  [ "$(sql "select validate_state from result where id = $damaged_id")" = 2 ] &&
  [ "$(sql "select count(*) from result r join workunit w on w.id = r.workunitid where w.name = 'Pix1003-1003'")" = 3 ]
}
check "the validator, assimilator and transitioner are done with the units" wait_for 120 assimilated
sleep 2

# --- What the server holds.
for unit in Pix1000-1000 Pix1001-1002; do
  check "$unit: both results valid, with credit, one canonical" \
    [ "$(sql "select concat(sum(r.validate_state = 1), ' ', sum(r.granted_credit > 0), ' ', w.canonical_resultid > 0) from result r join workunit w on w.id = r.workunitid where w.name = '$unit'")" = "2 2 1" ]
done
check "the damaged result is invalid and gets no credit" \
  [ "$(sql "select concat(validate_state, ' ', granted_credit) from result where id = $damaged_id")" = "2 0" ]
check "its unit has no canonical result, its valid result waits, a third result waits for another host" \
  [ "$(sql "select concat(w.canonical_resultid, ' ', sum(r.validate_state = 4), ' ', sum(r.server_state = 2)) from workunit w join result r on r.workunitid = w.id where w.name = 'Pix1003-1003'")" = "0 1 1" ]
check "the validator's log names the damaged checksum" \
  grep -q "Pix1003-1003.txt: line 1: checksum" "$project/log_$(hostname -s)/script_validator.log"

# --- What the ledger holds.
export=$(ledger_cmd export | tr -d '\r')  # CSV lines end in CR LF
echo "$export" | sed 's/^/    /'
verified() { echo "$export" | awk -F, -v k="$1" -v pi="$2" -v d="$3" '$1 == k && $3 == pi && $4 == d && $5 == "verified" && $6 == 2 { ok = 1 } END { exit !ok }'; }
check "k=1000 verified: 1000:2623557157654233:-0.05813:158" verified 1000 2623557157654233 -0.05813
check "k=1001 verified: 1001:2626111798288135:-0.05933:340" verified 1001 2626111798288135 -0.05933
check "k=1002 verified: 1002:2628666375196794:-0.04981:617" verified 1002 2628666375196794 -0.04981
check "nothing of k=1003 reaches the ledger" bash -c "! grep -q '^1003,' <<<'$export'"
check "the volunteers are the two hosts" \
  [ "$(echo "$export" | awk -F, '$1 == 1000 { print $7 }' | tr ';' '\n' | grep -c '^boinc-host-[0-9]*$')" = 2 ]
check "the assimilator kept the canonical outputs" \
  bash -c "[ \"\$(cat '$project/brunsk/results/Pix1000-1000.txt')\" = '1000:2623557157654233:-0.05813:158' ] && [ -f '$project/brunsk/results/Pix1001-1002.txt' ]"
check "the damaged unit's range stays reserved while the unit waits for a third host" \
  [ "$(ledger_cmd missing | head -1)" = "1004..10000" ]
live_reservations() { ledger_cmd status | grep -q "^Reservations: $1 live,"; }
check "the assimilated units' reservations are released, the waiting one's kept" live_reservations 1
# A unit that ends without a valid result, as the assimilator reports it.
id=$(sql "select id from workunit where name = 'Pix1003-1003'")
(cd "$project/tmp_$(hostname -s)" && www ../bin/brunsk_assimilate --error 8 Pix1003-1003 "$id" 0) > "$work/error.log" 2>&1
noted() { grep -q "Pix1003-1003 (unit $id): no valid result" "$project/brunsk/errors.txt"; }
check "a unit without a valid result is noted in brunsk/errors.txt" noted
check "and its range is free in the ledger again" [ "$(ledger_cmd missing | head -1)" = "1003..10000" ]

for i in 0 1; do stop_pid "${client_pids[i]}"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
