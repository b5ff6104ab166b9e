#!/usr/bin/env bash
# Two workstations' program folders on one PostgreSQL server: the first makes the data, the
# second joins it; what either adds (goods, list entries, sample data) the other sees, and both
# adding 20 entries to one configuration list at the same time keep all 40.
# Runs against the server FERIX_TEST_PG names (tests/pg/start_cluster.sh starts one).
source "$(dirname "$0")/lib.sh" "$@"
[ -n "${FERIX_TEST_PG:-}" ] || { echo "SKIP: FERIX_TEST_PG is not set: no PostgreSQL server was started"; exit 77; }
command -v psql >/dev/null || { echo "SKIP: the psql program is not installed"; exit 77; }

schema="ferix_cfg_$$"
conn="$FERIX_TEST_PG options='-c search_path=$schema'"
sql() { psql -X -q -A -t -v ON_ERROR_STOP=1 "$conn" -c "$1"; }
psql -X -q "$FERIX_TEST_PG" -c "CREATE SCHEMA $schema" || { echo "cannot make a schema"; exit 1; }
trap 'psql -X -q "$FERIX_TEST_PG" -c "SET client_min_messages = warning" -c "DROP SCHEMA $schema CASCADE" >/dev/null; rm -rf "$WORK"' EXIT
hex() { od -An -v -tx1 | tr -d ' \n'; }
init_here() { # init_here: init --server in the current folder; sets RC, OUT, ERR
    OUT=$(server_init "$conn" 2>"$WORK/err") && RC=0 || RC=$?
    ERR=$(cat "$WORK/err")
}

mkdir -p "$WORK/a" "$WORK/b" "$WORK/c"
cd "$WORK/a" && init_here
check "the first folder made the data, saying nothing" [ "$RC" = 0 -a -z "$ERR" ]
check "no configuration file: the lists are on the server" [ ! -e Data/ferix_config.data ]
check "the server holds the installed document byte for byte" \
    [ "$(sql "select encode(content, 'hex') from ferix_config where name = 'ferix_config.data'")" = "$(hex <"$SRC/data/ferix_config.data")" ]
tables=$(sql "select count(*) from pg_tables where schemaname = '$schema'")

cd "$WORK/b" && init_here
check "the second folder joined" [ "$RC" = 0 ]
check "and said so" [ "$ERR" = "服务器上已有本程序的数据：这个程序文件夹已连接到它。" ]
check "its server.conf is the owner's alone" [ "$(stat -c %a Data/server.conf)" = 600 ]
check "it has its local parts" [ -f Templates/temp_kucun_view.html -a -d PrintView -a -d Temp ]
check "and no data of its own" [ ! -e Data/ferix_config.data -a ! -e Data/main_data.tdb ]
check "nothing on the server was made again" \
    [ "$(sql "select count(*) from pg_tables where schemaname = '$schema'")" = "$tables" -a "$(sql "select count(*) from Manage")" = 1 ]

# Sample data made in one folder is the other's: lists, departments, goods.
cd "$WORK/a"
run demo-data --goods 3 --customers 1 --bills 0
check "demo-data on the server" [ "$RC" = 0 ]
cd "$WORK/b"
run config list warehouse
check "the sample warehouses are seen from the other folder" \
    [ "$OUT" = "$(printf 'name\tnote\n一号仓库\t\n二号仓库\t\n三号仓库\t')" ]
run employees list --department 财务部
check "and the sample employees" [ "$(cut -f2 <<<"$OUT" | tr '\n' ' ')" = "name 马丽 朱军 " ]
printf 'Code,ProductName,ClassName,Unit,PriceIn\r\nG1,Pen,电子,个,1.5\r\n' >"$WORK/goods.csv"
run classes add 电子
run goods import "$WORK/goods.csv"
check "goods imported in the second folder" [ "$RC" = 0 ]
cd "$WORK/a"
run goods list
check "are listed in the first, beside the sample goods" \
    [ "$(grep -c . <<<"$OUT")" = 5 -a "$(grep -c $'\tG1\tPen\t' <<<"$OUT")" = 1 ]

# Two workstations adding to the same list at once: 20 entries each, every one kept, once.
run config list area
cut -f1 <<<"$OUT" | sed 1d >"$WORK/areas-before"
adder() { # adder FOLDER PREFIX
    local i rc
    cd "$WORK/$1" || return
    for i in $(seq 1 20); do
        "$CLI" --user admin --password '' config add area "$2$i" --note "$1" >/dev/null \
            2>>"$WORK/add-err-$1" && rc=0 || rc=$?
        echo "$2$i $rc"
    done >"$WORK/added-$1"
}
adder a 甲 &
adder b 乙 &
wait
RC=- OUT=$(cat "$WORK/added-a" "$WORK/added-b" | awk '$2 != 0') ERR=$(cat "$WORK"/add-err-?)
check "every add succeeded" [ -z "$OUT" -a -z "$ERR" ]
cd "$WORK/a"
run config list area
{ cat "$WORK/areas-before"; for i in $(seq 1 20); do echo "甲$i"; echo "乙$i"; done; } | sort >"$WORK/expected"
cut -f1 <<<"$OUT" | sed 1d | sort >"$WORK/listed"
listed_a=$OUT
check "the list holds what it held and all 40 new entries, each once" cmp -s "$WORK/expected" "$WORK/listed"
check "(the sample areas were there)" [ "$(wc -l <"$WORK/areas-before")" -gt 0 ]
cd "$WORK/b"
run config list area
check "and the other folder reads the same" [ "$OUT" = "$listed_a" ]
check "the other folder's note is kept" [ "$(grep -c $'^甲[0-9]*\ta$' <<<"$OUT")" = 20 ]

# A damaged or missing document on the server is named as such, and nothing is changed.
sql "update ferix_config set content = convert_to('<config><item key=\"area\">', 'UTF8')"
run config add area x
check "a damaged document is refused" [ "$RC" = 4 -a "$ERR" = "服务器上的配置列表已损坏（不是完整的 XML 文档），没有读取或修改其中的任何内容。" ]
sql "delete from ferix_config"
run config list area
check "a missing document is named" [ "$RC" = 4 -a "$ERR" = "服务器上找不到配置列表（表 ferix_config 中没有 ferix_config.data）。" ]

# Two workstations set up at the same time on an empty database: one makes it, the other joins.
schema2="ferix_cfg2_$$"
psql -X -q "$FERIX_TEST_PG" -c "CREATE SCHEMA $schema2" || { echo "cannot make a schema"; exit 1; }
trap 'psql -X -q "$FERIX_TEST_PG" -c "SET client_min_messages = warning" -c "DROP SCHEMA $schema CASCADE" -c "DROP SCHEMA $schema2 CASCADE" >/dev/null; rm -rf "$WORK"' EXIT
for f in d e; do
    mkdir -p "$WORK/$f" && (cd "$WORK/$f" && server_init "$FERIX_TEST_PG options='-c search_path=$schema2'" \
        >/dev/null 2>"$WORK/init-err-$f"; echo $? >"$WORK/init-rc-$f") &
done
wait
RC="$(cat "$WORK/init-rc-d") $(cat "$WORK/init-rc-e")" OUT= ERR=$(cat "$WORK/init-err-d" "$WORK/init-err-e")
check "both set up" [ "$RC" = "0 0" ]
check "exactly one joined" [ "$ERR" = "服务器上已有本程序的数据：这个程序文件夹已连接到它。" ]
check "one operator" [ "$(psql -X -A -t "$FERIX_TEST_PG options='-c search_path=$schema2'" -c "select count(*) from Manage")" = 1 ]

# A database of a newer program is not joined, and the folder is left as it was.
sql "update ferix_schema set version = 99 where name = 'main_data'"
cd "$WORK/c" && init_here
check "a newer program's data is refused" [ "$RC" = 1 -a "$ERR" = "创建程序文件夹失败：数据库由更新版本的程序创建 (version 99)" ]
check "and no server.conf is left" [ ! -e Data/server.conf ]
finish
