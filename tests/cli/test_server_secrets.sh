#!/usr/bin/env bash
# Secrets stay secret. The files a folder holds (data, backups, server.conf) are the owner's
# alone; a login password given on standard input or in FERIX_PASSWORD shows neither in
# ferix-cli's arguments and environment nor in those of the pg_dump it starts (a pg_dump first
# on PATH writes down what it sees of both, then does the work), and an inherited PGPASSWORD
# does not reach it; secret files a killed run left in Temp/ go at the next start.
# `init --server -` refuses an empty admin password; copy-to-server copies the program's
# tables only and moves the folder only after the server's COMMIT. Runs against FERIX_TEST_PG.
source "$(dirname "$0")/lib.sh" "$@"
[ -n "${FERIX_TEST_PG:-}" ] || { echo "SKIP: FERIX_TEST_PG is not set: no PostgreSQL server was started"; exit 77; }
command -v psql >/dev/null || { echo "SKIP: the psql program is not installed"; exit 77; }
command -v sqlite3 >/dev/null || { echo "SKIP: the sqlite3 program is not installed"; exit 77; }

s1="ferix_sec_a_$$" s2="ferix_sec_b_$$" sf="ferix_sec_f_$$" acct="ferix_acct_$$"
secret="Conn-Pw-4q7" sslsecret="Ssl-Pw-8k2" adminpw="Admin-Pw-3x5"
sql() { psql -X -q -A -t -v ON_ERROR_STOP=1 "$FERIX_TEST_PG" -c "$1"; }
sql "CREATE SCHEMA $s1; CREATE SCHEMA $s2; CREATE SCHEMA $sf; CREATE SCHEMA $acct;
     CREATE TABLE $acct.ledger(id int, Amount text)" || { echo "cannot make the schemas"; exit 1; }
trap 'psql -X -q "$FERIX_TEST_PG" -c "SET client_min_messages = warning" \
    -c "DROP SCHEMA $s1, $s2, $sf, $acct CASCADE" >/dev/null; rm -rf "$WORK"' EXIT
conn() { echo "$FERIX_TEST_PG options='-c search_path=$1'"; }
mode() { stat -c %a "$1"; }
capture() { RC=$1 OUT= ERR=$(cat "$WORK/err"); }
RC=- OUT= ERR=

# ---- the files of a folder on files
fresh files
check "the data files init makes are the owner's alone" \
    [ "$(mode Data/main_data.tdb) $(mode Data/other_data.tdb) $(mode Data/ferix_config.data)" = "600 600 600" ]
run backup
check "a backup is the owner's alone" [ "$RC" = 0 -a "$(mode "Backup/$OUT")" = 600 ]

# Secret files: one of an older version, one of a run that was killed, one of a program that
# runs now (this shell); a start of ferix-cli removes the first two.
true & dead=$!
wait "$dead"
touch Temp/pgpass-old "Temp/pgservice-$dead-a1" "Temp/pgpass-$$-b2" Temp/tempx.data
run settings
check "left secret files are removed at start-up, a running program's stay" \
    [ "$(ls Temp | tr '\n' ' ')" = "pgpass-$$-b2 tempx.data " ]

# ---- init --server: an empty admin password is refused, in both forms
mkdir -p "$WORK/empty" && cd "$WORK/empty"
printf '%s\n\n' "$(conn "$s1")" | "$CLI" init --server - 2>"$WORK/err"
capture $?
check "init --server - with an empty admin password is refused" \
    [ "$RC" = 1 -a "$ERR" = "创建程序文件夹失败：服务器上的数据由各工作站共用，admin 的密码不能为空。请给出 admin 的新密码。" ]
"$CLI" init --server "$(conn "$s1")" </dev/null 2>"$WORK/err"
capture $?
check "so is init --server CONNINFO without one" [ "$RC" = 1 -a ! -e Data/server.conf ]
check "and nothing was made on the server" [ "$(sql "select count(*) from pg_tables where schemaname = '$s1'")" = 0 ]

mkdir -p "$WORK/shop" && cd "$WORK/shop"
owner="$(conn "$s1") password=$secret sslpassword=$sslsecret"
printf '%s\n%s\n' "$owner" "$adminpw" | "$CLI" init --server - 2>"$WORK/err"
capture $?
check "without a work string the owner's is kept, and the program says so" \
    [ "$RC" = 0 -a "$ERR" = "没有给出工作用的连接字符串：Data/server.conf 中写入的是建表用的连接字符串，各工作站将以数据库所有者的权限运行。" ]
check "server.conf is the owner's alone and holds the string" \
    [ "$(mode Data/server.conf)" = 600 -a "$(cat Data/server.conf)" = "$owner" ]

# ---- what pg_dump and its parent show while it runs
real=$(command -v pg_dump || ls -d /usr/lib/postgresql/*/bin/pg_dump | sort -V | tail -1)
mkdir -p "$WORK/bin"
cat >"$WORK/bin/pg_dump" <<EOF
#!/bin/sh
{ echo "args:"; printf '%s\n' "\$@"; echo "env:"; env
  echo "parent args:"; tr '\0' '\n' </proc/\$PPID/cmdline; echo "parent env:"; tr '\0' '\n' </proc/\$PPID/environ
  echo "files:"; stat -c '%a %U %n' "\$PGSERVICEFILE" "\$PGPASSFILE"; cat "\$PGSERVICEFILE" "\$PGPASSFILE"
} >>"$WORK/seen"
exec "$real" "\$@"
EOF
chmod +x "$WORK/bin/pg_dump"
seen() { sed -n "/^$1:\$/,/^[a-z ]*:\$/p" "$WORK/seen"; }
# A backup is named by the second it is made in: the earlier ones go, so two in one second
# do not meet.
rm -f Backup/*.bak
FERIX_USER=admin FERIX_PASSWORD=$adminpw PGPASSWORD=wrong-pw PATH="$WORK/bin:$PATH" \
    "$CLI" backup >"$WORK/out" 2>"$WORK/err"
capture $?
check "a backup with FERIX_PASSWORD and a wrong PGPASSWORD inherited" [ "$RC" = 0 -a -s "$WORK/seen" ]
check "its archive is the owner's alone" [ "$(mode "Backup/$(cat "$WORK/out")")" = 600 ]
check "pg_dump's arguments name the service only" \
    [ "$(seen args | grep -c -e "$secret" -e "$sslsecret" -e host=)" = 0 -a "$(seen args | grep -cx -- --dbname=service=ferix)" = 1 ]
check "pg_dump's environment holds no PG variable but the two files, nothing of ferix's" \
    [ "$(seen env | grep -E '^(PG|FERIX_)' | cut -d= -f1 | sort | tr '\n' ' ')" = "PGPASSFILE PGSERVICEFILE " ]
check "ferix-cli's own environment no longer shows FERIX_PASSWORD" \
    [ "$(seen 'parent env' | grep -c -e "$adminpw" -e FERIX_PASSWORD)" = 0 -a "$(seen 'parent env' | grep -cx FERIX_USER=admin)" = 1 ]
check "the service and password files are the owner's alone, in Temp" \
    [ "$(seen files | grep -c "^600 $(id -un) $PWD/Temp/pg")" = 2 ]
check "they hold the secrets" \
    [ "$(seen files | grep -cx -e "sslpassword=$sslsecret" -e "\*:\*:\*:\*:$secret")" = 2 ]
check "and are gone afterwards" [ -z "$(ls -A Temp)" ]

: >"$WORK/seen"
rm -f Backup/*.bak
printf '%s\n' "$adminpw" | PATH="$WORK/bin:$PATH" "$CLI" --user admin --password-stdin backup \
    >/dev/null 2>"$WORK/err"
capture $?
check "--password-stdin logs in" [ "$RC" = 0 ]
check "and the password is in no argument of ferix-cli" \
    [ "$(seen 'parent args' | grep -c "$adminpw")" = 0 -a "$(seen 'parent args' | grep -cx -- --password-stdin)" = 1 ]
printf 'wrong\n' | "$CLI" --user admin --password-stdin settings >/dev/null 2>"$WORK/err"
capture $?
check "a wrong password on standard input is a failed login" [ "$RC" = 3 -a "$ERR" = "密码错误，请重新登陆！" ]
printf '%s\nClerk-9\n' "$adminpw" | "$CLI" --user admin --password-stdin users add clerk \
    --new-password-stdin 2>"$WORK/err"
capture $?
check "the login password first, then the new one" [ "$RC" = 0 ]
printf 'Clerk-9\n' | "$CLI" --user clerk --password-stdin settings >/dev/null 2>"$WORK/err"
capture $?
check "which is the new operator's" [ "$RC" = 0 ]

# ---- copy-to-server: only the program's tables; the folder moves only after COMMIT
fresh copy
chmod 755 "$WORK" "$WORK/copy" # the server (another user) looks for server.conf at COMMIT
chmod 644 Data/main_data.tdb # as an older version made it
sqlite3 Data/main_data.tdb "create table \"$acct.ledger\"(id, Amount); insert into \"$acct.ledger\" values(1, '100.00')"
# A COMMIT the server refuses: a deferred trigger on the operators' table, which says whether
# the folder had already been switched when the server was asked to commit.
sed "s/S1/$sf/g; s|DIR|$WORK/copy|g" <<'EOF' | psql -X -q -v ON_ERROR_STOP=1 "$FERIX_TEST_PG" || exit 1
CREATE FUNCTION S1.refuse() RETURNS trigger LANGUAGE plpgsql AS $f$
BEGIN
    IF (pg_stat_file('DIR/Data/server.conf', true)).size IS NOT NULL THEN
        RAISE EXCEPTION 'switched before COMMIT';
    END IF;
    RAISE EXCEPTION 'refused at COMMIT';
END $f$;
CREATE FUNCTION S1.arm() RETURNS event_trigger LANGUAGE plpgsql AS $f$
BEGIN
    IF EXISTS (SELECT FROM pg_event_trigger_ddl_commands() WHERE object_identity = 'S1.manage') THEN
        CREATE CONSTRAINT TRIGGER refuse AFTER INSERT ON S1.manage DEFERRABLE INITIALLY DEFERRED
            FOR EACH ROW EXECUTE FUNCTION S1.refuse();
    END IF;
END $f$;
CREATE EVENT TRIGGER arm_S1 ON ddl_command_end WHEN TAG IN ('CREATE TABLE') EXECUTE FUNCTION S1.arm();
EOF
printf '%s\n' "$(conn "$sf")" | "$CLI" --user admin --password '' copy-to-server - 2>"$WORK/err"
capture $?
check "a COMMIT the server refuses fails the copy" [ "$RC" = 1 ]
check "the server was asked to commit while the folder was still on its files" \
    grep -q "refused at COMMIT" "$WORK/err"
check "which it still is" [ ! -e Data/server.conf -a -f Data/main_data.tdb -a ! -e Data/main_data.tdb.bak ]
check "and the server holds nothing" [ "$(sql "select count(*) from pg_tables where schemaname = '$sf'")" = 0 ]

work="$(conn "$s2") user=clerk_role"
printf '%s\n%s\n' "$(conn "$s2")" "$work" | "$CLI" --user admin --password '' \
    copy-to-server - 2>"$WORK/err"
capture $?
check "copy-to-server - with a work string" [ "$RC" = 0 -a -z "$ERR" ]
check "server.conf holds the work string, the owner's alone" \
    [ "$(cat Data/server.conf)" = "$work" -a "$(mode Data/server.conf)" = 600 ]
check "the kept files are the owner's alone" \
    [ "$(mode Data/main_data.tdb.bak) $(mode Data/other_data.tdb.bak)" = "600 600" ]
check "a table of the file that is not the program's stays behind" \
    [ "$(sql "select count(*) from $acct.ledger")" = 0 -a "$(sql "select count(*) from pg_tables where schemaname = '$s2' and tablename like '%ledger%'")" = 0 ]
check "the program's tables came along" [ "$(sql "select count(*) from $s2.manage")" = 1 ]
finish
