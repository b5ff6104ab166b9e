#!/usr/bin/env bash
# The two database roles from ferix-cli: the owner grants a role the rights of daily work (its
# connection string on standard input), the folder then works as that role, and tables that
# need an upgrade are refused until the owner runs it. A server that is not up is said once.
# Runs against the server FERIX_TEST_PG names (tests/pg/start_cluster.sh starts one).
source "$(dirname "$0")/lib.sh" "$@"
[ -n "${FERIX_TEST_PG:-}" ] || { echo "SKIP: FERIX_TEST_PG is not set: no PostgreSQL server was started"; exit 77; }
command -v psql >/dev/null || { echo "SKIP: the psql program is not installed"; exit 77; }

schema="ferix_roles_$$"
role="ferix_wr_$$"
owner="$FERIX_TEST_PG options='-c search_path=$schema'"
work="$owner user=$role"
sql() { psql -X -q -A -t -v ON_ERROR_STOP=1 "$owner" -c "$1"; }
psql -X -q "$FERIX_TEST_PG" -c "CREATE SCHEMA $schema" -c "CREATE ROLE $role LOGIN" || { echo "cannot make a schema and a role"; exit 1; }
trap 'psql -X -q "$FERIX_TEST_PG" -c "SET client_min_messages = warning" -c "DROP SCHEMA $schema CASCADE" -c "DROP SCHEMA IF EXISTS ${schema}_i CASCADE" -c "DROP OWNED BY $role" -c "DROP ROLE $role" >/dev/null; rm -rf "$WORK"' EXIT
with_stdin() { # with_stdin LINE ARGS...: runs ferix-cli as admin with LINE on standard input
    local line=$1; shift
    OUT=$(printf '%s\n' "$line" | "$CLI" --user admin --password '' "$@" 2>"$WORK/err") && RC=0 || RC=$?
    ERR=$(cat "$WORK/err")
}

# init --server - given the work role's string grants it its rights at once, through the owner's
# string it was given: the folder, on the work role alone, logs in and can grant again itself.
psql -X -q "$FERIX_TEST_PG" -c "CREATE SCHEMA ${schema}_i" || { echo "cannot make a schema"; exit 1; }
owner_i="$FERIX_TEST_PG options='-c search_path=${schema}_i'"
mkdir -p "$WORK/i" && cd "$WORK/i" && OUT=
ERR=$(printf '%s\nadmin-pw\n%s\n' "$owner_i" "$owner_i user=$role" | "$CLI" init --server - 2>&1) && RC=0 || RC=$?
check "init grants the work role" [ "$RC" = 0 -a "$ERR" = "已授予数据库角色“$role”日常工作的权限。" ]
check "and keeps the work role's string" grep -q "user=$role" Data/server.conf
OUT=$(printf 'admin-pw\n' | "$CLI" --user admin --password-stdin stock 2>"$WORK/err") && RC=0 || RC=$?
ERR=$(cat "$WORK/err")
check "the folder works as the work role at once" [ "$RC" = 0 -a -z "$ERR" ]
OUT=$(printf 'admin-pw\n%s\n' "$owner_i" | "$CLI" --user admin --password-stdin server grant-work "$role" 2>"$WORK/err") && RC=0 || RC=$?
ERR=$(cat "$WORK/err")
check "and grants through itself" [ "$RC" = 0 -a "$ERR" = "已授予数据库角色“$role”日常工作的权限。" ]
# A work string naming another database than the tables': refused, no folder is left.
mkdir -p "$WORK/j" && cd "$WORK/j"
ERR=$(printf '%s\nadmin-pw\n%s\n' "$owner_i" "$FERIX_TEST_PG dbname=postgres user=$role" | "$CLI" init --server - 2>&1) && RC=0 || RC=$?
check "a work string elsewhere is refused" [ "$RC" = 1 -a "$(tail -1 <<<"$ERR")" = "创建程序文件夹失败：没能授予工作用的数据库角色日常工作的权限，Data/server.conf 没有保留。服务器上的数据表已建好，改正后再次运行 ferix-cli init --server - 即可连接它们。" ]
check "and leaves no server.conf" [ ! -e Data/server.conf ]

mkdir -p "$WORK/a" && cd "$WORK/a"
server_init "$owner" || { echo "init failed"; exit 1; }
with_stdin "" server grant-work "$role"
check "no owner's string, no grant" [ "$RC" = 1 -a "$ERR" = "没有读到数据库所有者的连接字符串（标准输入的一行）。" ]
with_stdin "$owner" server grant-work "$role"
check "the owner grants the work role its rights" [ "$RC" = 0 -a "$ERR" = "已授予数据库角色“$role”日常工作的权限。" ]
run log
check "and the grant is in the log" [ "$(tail -1 <<<"$OUT" | cut -f1,2)" = "授予数据库角色“$role”日常工作的权限"$'\t'admin ]

# The folder works as the work role from now on.
printf '%s\n' "$work" >Data/server.conf
run users add bob
check "an operator added through the work role" [ "$RC" = 0 ]
run classes add 文具
check "a class added through the work role" [ "$RC" = 0 ]
run backup
check "a backup made through the work role" [ "$RC" = 0 ]
made=$(ls Backup | wc -l)
with_stdin "" restore "Backup/$(ls Backup | head -1)"
check "a restore through the work role alone is refused, saying what it needs" [ "$RC" = 1 -a "$ERR" = "$(printf '数据恢复失败！\n本程序文件夹连接数据库所用的角色不是数据表的所有者，不能恢复数据。请在询问时输入数据表所有者的连接字符串。\n现有数据没有改变。')" ]
check "before any safety copy" [ "$(ls Backup | wc -l)" = "$made" ]

# Tables of an older version: the workstation refuses, the owner's upgrade brings them up.
sql "DROP TABLE WriteToken; DROP TABLE BillJournal; DROP TABLE JournalHead; UPDATE ferix_schema SET version = 5 WHERE name = 'main_data'"
run stock
check "a workstation on the work role opens nothing" [ "$RC" = 4 ]
check "and says what to do" [ "$ERR" = "$(printf '数据库需要升级，但本工作站连接数据库所用的角色没有升级的权限。\n请用数据库所有者的连接运行升级（ferix-cli upgrade，从标准输入读入所有者的连接字符串），或在程序启动时输入所有者的连接字符串。')" ]
with_stdin "$work" upgrade
check "the work role's own string upgrades nothing" [ "$RC" = 1 -a "$ERR" = "这个连接的角色不是本程序数据表的所有者，没有做任何改变。" ]
with_stdin "$owner" upgrade
check "the owner's string upgrades" [ "$RC" = 0 -a "$ERR" = "数据库已升级。" ]
check "and is not stored" grep -q "user=$role" Data/server.conf
run stock
check "the workstation opens again" [ "$RC" = 0 ]
RC=- OUT=$(psql -X -q -A -t "$work" -c "INSERT INTO WriteToken(Token, Kind) VALUES ('t', 'sale')" -c "DELETE FROM WriteToken" 2>&1) ERR=
check "the upgrade's new tables came with the work role's rights, and no more" \
    grep -q "permission denied for table writetoken" <<<"$OUT"
check "the insert went in" [ "$(sql "select count(*) from WriteToken")" = 1 ]

# A server that is not up: one message, with what to do and libpq's words, exit 4.
mkdir -p "$WORK/b/Data" && cd "$WORK/b"
printf 'host=%s dbname=ferix\n' "$WORK/nowhere" >Data/server.conf
chmod 600 Data/server.conf
run stock
check "not up: exit 4" [ "$RC" = 4 ]
check "said once, in Chinese" [ "$(head -1 <<<"$ERR")" = "无法连接数据库服务器（$WORK/nowhere）：服务器没有运行，或网络不通。请确认服务器已启动后重试。" ]
check "with the engine's text after it" grep -q "No such file or directory" <<<"$ERR"
check "and nothing more" [ "$(grep -c "连接数据库失败" <<<"$ERR")" = 0 ]
finish
