#!/usr/bin/env bash
# Stands up the Vantrel project on this Debian machine: the BOINC server
# built from its pinned source (boinc/build_server.sh, cached outside the
# clone), a private MariaDB and a private Apache with pid files in DIR (the
# system's services are never started or changed), the project made by
# BOINC's make_project, the app brunsk with every app version found in the
# app folder, the templates, the ledger, and the daemons: the feeder,
# transitioner and file deleter, script_validator with Brunsk's checks and
# script_assimilator feeding the ledger. Run as root (Apache binds its port,
# then serves as www-data, which owns the project).
#
#   boinc/make_project.sh [options] DIR
#
#   --url-host NAME     host name in the project's URL (default 127.0.0.1)
#   --bind ADDRESS      address Apache listens on (default 127.0.0.1)
#   --port N            Apache's port (default 80)
#   --apps DIR          app version folders, one per platform (default build-boinc/app)
#   --brunsk PROGRAM    the client program the validator runs (default build-boinc/brunsk)
#   --ledger-program P  brunsk-ledger (default build-boinc/brunsk-ledger)
#   --ledger FILE       an existing ledger to feed (default DIR/ledger/ledger.sqlite, made empty)
#   --boinc-src DIR     a built BOINC server tree (default: boinc/build_server.sh)
#   --no-daemons        leave the daemons stopped (PROJECT/bin/start starts them)
#
# DIR gets mysql/ (the database) and mysqld/ (its socket, pid and log),
# apache/ (configuration, pid, logs), projects/vantrel/ (the project) and
# server.env (what boinc/stop_project.sh DIR reads to stop it all). MariaDB
# listens on 127.0.0.1:3306 only. On failure everything started is stopped.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
usage() { sed -n '/^#   boinc/,/^#   --no-daemons/p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 1; }

url_host=127.0.0.1 bind=127.0.0.1 port=80
apps=$here/build-boinc/app brunsk=$here/build-boinc/brunsk ledger_program=$here/build-boinc/brunsk-ledger
ledger="" boinc_src="" daemons=1
while [ $# -gt 1 ]; do
  case "$1" in
    --url-host) url_host=$2; shift 2 ;;
    --bind) bind=$2; shift 2 ;;
    --port) port=$2; shift 2 ;;
    --apps) apps=$2; shift 2 ;;
    --brunsk) brunsk=$2; shift 2 ;;
    --ledger-program) ledger_program=$2; shift 2 ;;
    --ledger) ledger=$2; shift 2 ;;
    --boinc-src) boinc_src=$2; shift 2 ;;
    --no-daemons) daemons=0; shift ;;
    *) usage ;;
  esac
done
[ $# -eq 1 ] && [ "${1#-}" = "$1" ] || usage
[ "$(id -u)" -eq 0 ] || { echo "$0: run as root" >&2; exit 1; }
for program in "$brunsk" "$ledger_program"; do
  [ -x "$program" ] || { echo "$0: no program $program (make boinc-app)" >&2; exit 1; }
done
ls "$apps"/*/version.xml >/dev/null 2>&1 || { echo "$0: no app version in $apps (make boinc-app)" >&2; exit 1; }

NAME=vantrel
mkdir -p "$1"
dir=$(cd "$1" && pwd)
project=$dir/projects/$NAME
[ ! -e "$project" ] || { echo "$0: $project exists already" >&2; exit 1; }
host=$(hostname -s)
url=http://$url_host$([ "$port" = 80 ] || echo ":$port")/
port_free() { ! (exec 3<>"/dev/tcp/$1/$2") 2>/dev/null; }
port_free 127.0.0.1 3306 || { echo "$0: something listens on 127.0.0.1:3306 already" >&2; exit 1; }
port_free "$bind" "$port" || { echo "$0: something listens on $bind:$port already" >&2; exit 1; }

[ -n "$boinc_src" ] || boinc_src=$(bash "$here/boinc/build_server.sh")
[ -x "$boinc_src/tools/make_project" ] || { echo "$0: $boinc_src is not a built BOINC server tree" >&2; exit 1; }

say() { printf '%s %s\n' "$(date +%H:%M:%S)" "$*"; }
# The daemons and tools run as www-data with a plain PATH: root's may name
# folders www-data cannot enter.
as_www() { runuser -u www-data -- env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$project" USER=www-data LOGNAME=www-data LANG=C.UTF-8 "$@"; }
wait_for() {
  local limit=$1 start=$SECONDS
  shift
  until "$@"; do
    [ $((SECONDS - start)) -lt "$limit" ] || return 1
    sleep 0.5
  done
}

chmod 755 "$dir"
cat > "$dir/server.env" <<ENV
# Written by boinc/make_project.sh; read by boinc/stop_project.sh.
PROJECT=$project
URL=$url${NAME}/
MYSQL_PID=$dir/mysqld/mysqld.pid
APACHE_PID=$dir/apache/httpd.pid
ENV
finished=0
trap '[ "$finished" = 1 ] || { echo "$0: failed; stopping what was started" >&2; bash "$here/boinc/stop_project.sh" "$dir"; }' EXIT
trap "exit 130" INT TERM HUP

# --- MariaDB, on the loopback, with its own folder, socket and pid file.
say "MariaDB in $dir/mysql"
mkdir -p "$dir/mysql" "$dir/mysqld"
chown mysql:mysql "$dir/mysql" "$dir/mysqld"
mariadb-install-db --no-defaults --datadir="$dir/mysql" --user=mysql \
  --auth-root-authentication-method=socket > "$dir/mysqld/install.log" 2>&1 \
  || { cat "$dir/mysqld/install.log" >&2; exit 1; }
setsid mariadbd --no-defaults --datadir="$dir/mysql" --socket="$dir/mysqld/mysqld.sock" \
  --port=3306 --bind-address=127.0.0.1 --user=mysql --pid-file="$dir/mysqld/mysqld.pid" \
  --log-error="$dir/mysqld/error.log" --skip-log-bin < /dev/null > /dev/null 2>&1 &
sql() { mariadb --no-defaults --socket="$dir/mysqld/mysqld.sock" -u root "$@"; }
wait_for 60 sql -e "select 1" >/dev/null 2>&1 || { echo "$0: MariaDB did not start:" >&2; tail "$dir/mysqld/error.log" >&2; exit 1; }
db_password=$(head -c 18 /dev/urandom | base64 | tr '+/' '-_')
sql <<SQL
CREATE USER 'boincadm'@'localhost' IDENTIFIED BY '$db_password';
CREATE USER 'boincadm'@'127.0.0.1' IDENTIFIED BY '$db_password';
GRANT ALL ON \`$NAME\`.* TO 'boincadm'@'localhost';
GRANT ALL ON \`$NAME\`.* TO 'boincadm'@'127.0.0.1';
SQL

# --- The project, owned by www-data, made by BOINC's own make_project.
say "the project in $project"
mkdir -p "$dir/projects"
chown www-data:www-data "$dir/projects"
as_www "$boinc_src/tools/make_project" --srcdir "$boinc_src" --url_base "$url" --project_root "$project" \
  --project_host "$host" --db_host 127.0.0.1 --db_user boincadm --db_passwd "$db_password" \
  --no_query "$NAME" "Vantrel" > "$dir/make_project.log" 2>&1 \
  || { cat "$dir/make_project.log" >&2; exit 1; }

# Each unit goes to two different users and hosts; the daemons besides
# make_project's: Brunsk's validator and assimilator.
python3 - "$project/config.xml" <<'PY'
import sys, xml.etree.ElementTree as ET
path = sys.argv[1]
tree = ET.parse(path)
config = tree.getroot().find("config")
for name in ("one_result_per_user_per_wu", "one_result_per_host_per_wu"):
    node = config.find(name)
    if node is None:
        node = ET.SubElement(config, name)
    node.text = "1"
daemons = tree.getroot().find("daemons")
for cmd in ("script_validator -d 3 --app brunsk --init_script brunsk_check_result --compare_script brunsk_compare_results",
            "script_assimilator -d 3 --app brunsk --script brunsk_assimilate"):
    ET.SubElement(ET.SubElement(daemons, "daemon"), "cmd").text = cmd
ET.indent(tree, space="    ")
tree.write(path)
PY

# --- The ledger, and what the validator and assimilator run.
install -m 755 "$brunsk" "$project/bin/brunsk"
install -m 755 "$ledger_program" "$project/bin/brunsk-ledger"
# The assimilator writes the ledger as www-data: its folder must be writable
# (SQLite keeps its journal beside the file).
if [ -z "$ledger" ]; then
  mkdir -p "$dir/ledger"
  chown www-data:www-data "$dir/ledger"
  ledger=$dir/ledger/ledger.sqlite
  as_www "$project/bin/brunsk-ledger" --db "$ledger" init
else
  ledger=$(cd "$(dirname "$ledger")" && pwd)/$(basename "$ledger")
  [ -f "$ledger" ] || { echo "$0: no ledger $ledger" >&2; exit 1; }
fi
install -m 755 "$here"/boinc/server/brunsk_check_result "$here"/boinc/server/brunsk_compare_results \
  "$here"/boinc/server/brunsk_assimilate "$project/bin/"
mkdir -p "$project/brunsk"
echo "$ledger" > "$project/brunsk/ledger_path"
touch "$project/brunsk/units.txt"
cp "$here"/boinc/templates/brunsk_in "$here"/boinc/templates/brunsk_out "$project/templates/"
chown -R www-data:www-data "$project/bin" "$project/brunsk" "$project/templates"

# --- The app and its versions. Files in download/ are shared by name and
# never change, so each version's file carries its version and platform in
# its name, the name the program opens it by being its logical name.
VERSION=1.0
python3 - "$project/project.xml" <<'PY'
import sys, xml.etree.ElementTree as ET
path = sys.argv[1]
tree = ET.parse(path)
app = ET.SubElement(tree.getroot(), "app")
ET.SubElement(app, "name").text = "brunsk"
ET.SubElement(app, "user_friendly_name").text = "Brunsk pi(x)"
ET.indent(tree, space="    ")
tree.write(path)
PY
(cd "$project" && as_www bin/xadd) > "$dir/xadd.log" 2>&1 || { cat "$dir/xadd.log" >&2; exit 1; }

# deploy SOURCE PLATFORM FOLDER: the app version of SOURCE as apps/brunsk/VERSION/FOLDER.
deploy() {
  local source=$1 platform=$2 target=$project/apps/brunsk/$VERSION/$3 name main published
  mkdir -p "$target"
  main=$(tr -d '\n' < "$source/version.xml" | sed -n 's:.*<physical_name>\([^<]*\)</physical_name>[[:space:]]*<main_program/>.*:\1:p')
  {
    echo "<version>"
    for name in $(sed -n 's:.*<physical_name>\(.*\)</physical_name>.*:\1:p' "$source/version.xml"); do
      # A Windows program keeps its .exe last.
      case "$name" in
        *.exe) published=${name%.exe}__${VERSION}_$platform.exe ;;
        *) published=${name}__${VERSION}_$platform ;;
      esac
      cp "$source/$name" "$target/$published"
      echo "    <file>"
      echo "        <physical_name>$published</physical_name>"
      case "$name" in
        "$main") echo "        <main_program/>" ;;
        # The loader finds a library by its own name in the task's folder.
        *.so|*.so.*|*.dll) echo "        <logical_name>$name</logical_name>"
                           echo "        <copy_file/>" ;;
      esac
      echo "    </file>"
    done
    echo "</version>"
  } > "$target/version.xml"
}
deployed=()
for source in "$apps"/*/; do
  source=${source%/}
  platform=$(basename "$source")
  [ -f "$source/version.xml" ] || continue
  deploy "$source" "$platform" "$platform"
  deployed+=("$platform")
  # The built-in plan class mt serves hosts with 2 or more CPUs, each with
  # --nthreads N; the plain version serves hosts with one.
  deploy "$source" "$platform" "${platform}__mt"
  deployed+=("${platform}__mt")
done
chown -R www-data:www-data "$project/apps"
(cd "$project" && as_www bin/update_versions --noconfirm) > "$dir/update_versions.log" 2>&1 \
  || { cat "$dir/update_versions.log" >&2; exit 1; }
say "app versions: ${deployed[*]}"

# --- Apache, private: its own configuration, pid file and logs.
say "Apache on $bind:$port"
mkdir -p "$dir/apache"
modules=/usr/lib/apache2/modules
php=$(ls "$modules"/libphp*.so | head -1)
{
  echo "# Written by boinc/make_project.sh: the project's web server, apart from the system's."
  echo "ServerRoot /etc/apache2"
  echo "ServerName $url_host"
  echo "Listen $bind:$port"
  echo "PidFile $dir/apache/httpd.pid"
  echo "DefaultRuntimeDir $dir/apache"
  echo "Mutex file:$dir/apache default"
  echo "ErrorLog $dir/apache/error.log"
  echo "LogFormat \"%h %t \\\"%r\\\" %>s %b\" brief"
  echo "CustomLog $dir/apache/access.log brief"
  echo "User www-data"
  echo "Group www-data"
  for module in mpm_prefork authz_core authz_host authz_user authn_core authn_file auth_basic access_compat \
                alias mime dir cgi env setenvif rewrite headers; do
    [ -f "$modules/mod_$module.so" ] && echo "LoadModule ${module}_module $modules/mod_$module.so"
  done
  echo "LoadModule php_module $php"
  echo "TypesConfig /etc/mime.types"
  echo "DirectoryIndex index.php index.html"
  echo "<FilesMatch \"\\.php\$\">"
  echo "    SetHandler application/x-httpd-php"
  echo "</FilesMatch>"
  echo "Include $project/$NAME.httpd.conf"
} > "$dir/apache/httpd.conf"
apache2 -f "$dir/apache/httpd.conf" -k start
wait_for 30 curl -sf -o /dev/null "$url$NAME/" || { echo "$0: the project's page $url$NAME/ does not answer" >&2; tail "$dir/apache/error.log" >&2; exit 1; }

if [ "$daemons" = 1 ]; then
  (cd "$project" && as_www bin/start) > "$dir/start.log" 2>&1 || { cat "$dir/start.log" >&2; exit 1; }
  say "daemons started: $(ls "$project/pid_$host" | tr '\n' ' ')"
fi
finished=1
say "the project is up: $url$NAME/ (ledger $ledger; boinc/stop_project.sh $dir stops it)"
