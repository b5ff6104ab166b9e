#!/usr/bin/env bash
# copy-to-server moves a folder of sample data (20,000 bills) and of awkward texts to a
# PostgreSQL server: afterwards every listing, report, balance and statement ferix-cli prints is
# the same byte for byte, the files are kept as *.bak, server.conf is the owner's alone, new rows
# get new ids, and a second copy into the now filled database is refused, leaving its folder as
# it was. Runs against the server FERIX_TEST_PG names (tests/pg/start_cluster.sh starts one).
source "$(dirname "$0")/lib.sh" "$@"
[ -n "${FERIX_TEST_PG:-}" ] || { echo "SKIP: FERIX_TEST_PG is not set: no PostgreSQL server was started"; exit 77; }
command -v psql >/dev/null || { echo "SKIP: the psql program is not installed"; exit 77; }

schema="ferix_copy_$$"
conn="$FERIX_TEST_PG options='-c search_path=$schema'"
sql() { psql -X -q -A -t -v ON_ERROR_STOP=1 "$conn" -c "$1"; }
psql -X -q "$FERIX_TEST_PG" -c "CREATE SCHEMA $schema" || { echo "cannot make a schema"; exit 1; }
trap 'psql -X -q "$FERIX_TEST_PG" -c "SET client_min_messages = warning" -c "DROP SCHEMA $schema CASCADE" >/dev/null; rm -rf "$WORK"' EXIT

# The sanitizer pass (FERIX_TEST_LIGHT) copies a tenth: the same code, fewer rows.
bills=20000
[ -n "${FERIX_TEST_LIGHT:-}" ] && bills=2000
fresh files
run demo-data --bills $bills
check "sample data with $bills bills" [ "$RC" = 0 ]
# Texts that quoting, LIKE patterns, COPY's escapes or a case-folding index could spoil.
run classes add '特价_100%'
printf '%s\r\n' 'Code,ProductName,ClassName,Unit,Note' \
    'Q1,"He said ""hi""",特价_100%,个,"50% off_now"' \
    'Q2,"two' 'lines",特价_100%,箱,C:\temp\new	tab' \
    'Q3,中文名称,特价_100%,件,\.' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "awkward goods imported" [ "$RC" = 0 ]
printf '%s\r\n' 'CustomerCode,CustomerName,CustomerType,CustomerNote' \
    "K'1,O'Brien & Sons,客户,\"a\\\\b\"" 'K_%,百分之_百,供应商,' >"$WORK/units.csv"
run customers import "$WORK/units.csv"
check "awkward units imported" [ "$RC" = 0 ]
run users add Zhang_San% --new-password 'p%_"w' --note "O'Neil"
run users add 李四 --note $'two\nlines'
check "operators added" [ "$RC" = 0 ]
run config add bank "Bank \"Q\" 100%"
check "a bank with quotes" [ "$RC" = 0 ]

printf '%s\r\n' 'CustomerCode,CustomerName,CustomerType' 'S1,Alpha,客户' 'S2,zeta Co,客户' \
    'S3,_Beta,客户' 'S4,alpha2,客户' >"$WORK/sorting.csv"
run customers import "$WORK/sorting.csv"
check "customers that sort otherwise imported" [ "$RC" = 0 ]
# Sales whose employee, department, customer and account sort one way by bytes and another way
# as people sort (the test database's collation): the reports, balances and accounts must
# keep the files' order.
for e in "Zed|A部|Alpha|Bank_A" "_under|b部|zeta Co|bank_b" "alice|_部|_Beta|BANK c" "Bob|a部|alpha2|bank_b"; do
    IFS='|' read -r emp dep cust acct <<<"$e"
    printf '{"customer": "%s", "department": "%s", "warehouse": "一号仓库", "employee": "%s", "account": "%s", "paid": "1", "lines": [{"code": "SP000003", "quantity": "1", "price": "2"}]}' \
        "$cust" "$dep" "$emp" "$acct" >"$WORK/sale.json"
    run post sale "$WORK/sale.json"
    check "a sale by $emp" [ "$RC" = 0 ]
done

range_all=(--from 2000-01-01 --to 2099-12-31)
range_part=(--from "$(date -d '-400 days' +%F)" --to "$(date -d '-100 days' +%F)")
unit=$(run customers list --type 客户; echo "$OUT" | sed -n 2p | cut -f3)
class=$(run classes list; echo "$OUT" | sed -n 3p | cut -f3)
sale=$(run bills sale "${range_all[@]}"; echo "$OUT" | sed -n 2p | cut -f1)
purchase=$(run bills purchase "${range_part[@]}"; echo "$OUT" | sed -n 3p | cut -f1)
RC=- OUT="unit=$unit class=$class sale=$sale purchase=$purchase" ERR=
check "names to ask about" [ -n "$unit" -a -n "$class" -a -n "$sale" -a -n "$purchase" ]

capture() { # capture DIR: every read command's output and exit status into DIR
    local out=$1 i=0 args
    mkdir -p "$out"
    while IFS= read -r line; do
        eval "args=($line)"
        run "${args[@]}"
        i=$((i + 1))
        printf '%s\n%s\n' "rc=$RC" "$OUT" >"$out/$i.out"
        printf '%s\n' "$line" >"$out/$i.cmd"
    done <<EOF
goods list
goods list --class "$class"
goods find %
goods find _
goods find 中文
goods list --class 特价_100%
goods find 'C:\'
goods find "he SAID"
customers find o\'brien
customers list
customers list --type 供应商
customers find "'"
classes list
stock
stock --warehouse 一号仓库
stock --class "$class"
--format json stock-warnings
stock-warnings --warehouse 二号仓库
bills purchase ${range_all[*]}
bills purchase-return ${range_all[*]}
bills sale ${range_part[*]}
bills sale-return ${range_all[*]}
bills transfer ${range_all[*]}
bill sale "$sale"
bill purchase "$purchase"
report purchase-goods ${range_all[*]}
report purchase-employee ${range_part[*]}
report purchase-department ${range_all[*]}
report sale-goods ${range_part[*]}
report sale-employee ${range_all[*]}
report sale-department ${range_part[*]}
report profit-goods ${range_all[*]}
report profit-customer ${range_part[*]}
report profit-employee ${range_all[*]}
report profit-month ${range_all[*]}
balances
balances --type 客户
--format csv balances --type 供应商
statement "$unit" ${range_part[*]}
accounts
config list area
config list bank
config list unit
config list warehouse
config list income
config list spending
departments list
employees list
users list
settings
log
EOF
}
capture "$WORK/before"
RC=- OUT= ERR=
check "every listing read on the files" [ "$(grep -l '^rc=0$' "$WORK"/before/*.out | wc -l)" = "$(ls "$WORK"/before/*.out | wc -l)" ]
check "the listings hold the data" [ "$(wc -l <"$WORK/before/1.out")" -gt 300 ]
report=$(grep -l '^report sale-employee' "$WORK"/before/*.cmd)
OUT=$(grep -E $'^(Bob|Zed|_under|alice)\t' "${report%.cmd}.out" | cut -f1 | tr '\n' ' ')
check "keys that people sort otherwise come in byte order" [ "$OUT" = "Bob Zed _under alice " ]
cp -a "$WORK/files" "$WORK/again" # a second folder, for the copy that must be refused

# The connection strings on standard input (the owner's, then the work role's, here the same):
# a password in them stays out of the process list.
start=$(date +%s%N)
OUT=$(printf '%s\n%s\n' "$conn" "$conn" | "$CLI" --user admin --password '' copy-to-server - 2>"$WORK/err") && RC=0 || RC=$?
ERR=$(cat "$WORK/err")
echo "copy-to-server of $bills bills: $((($(date +%s%N) - start) / 1000000)) ms"
check "copied" [ "$RC" = 0 -a -z "$OUT" -a -z "$ERR" ]
RC=- OUT=$(sql "select Event || '/' || \"User\" from Log order by id desc limit 1") ERR=
check "the copy is in the log, with who made it" [ "$OUT" = "数据复制到数据库服务器成功/admin" ]
check "the files are kept as .bak" [ -f Data/main_data.tdb.bak -a -f Data/other_data.tdb.bak -a -f Data/ferix_config.data.bak -a ! -e Data/ferix_config.data ]
check "the files are gone from use" [ ! -e Data/main_data.tdb -a ! -e Data/other_data.tdb ]
check "server.conf is the owner's alone" [ "$(stat -c %a Data/server.conf)" = 600 ]
check "the configuration document is on the server byte for byte" \
    [ "$(sql "select encode(sha256(content), 'hex') from ferix_config where name = 'ferix_config.data'")" = "$(sha256sum <Data/ferix_config.data.bak | cut -d' ' -f1)" ]

capture "$WORK/after"
# The log differs by the copy's own entry alone (checked above).
for f in "$WORK"/after/*.cmd; do
    [ "$(cat "$f")" = log ] && sed -i '/^数据复制到数据库服务器成功\tadmin\t/d' "${f%.cmd}.out"
done
for f in "$WORK"/before/*.out; do
    n=$(basename "$f" .out)
    RC=- OUT=$(diff "$f" "$WORK/after/$n.out" | head -6) ERR=
    check "the same on the server: $(cat "$WORK/before/$n.cmd")" cmp -s "$f" "$WORK/after/$n.out"
done
RC=- OUT=$(sql "select count(*) from EnterSale") ERR=
check "the sales are on the server" [ "$OUT" -gt $((bills / 20)) ]

# New rows on the server number on after the copied ones.
run classes add 新类别
check "a class added after the copy" [ "$RC" = 0 ]
printf 'Code,ProductName,ClassName,Unit\r\nNEW1,新商品,新类别,个\r\n' >"$WORK/new.csv"
run goods import "$WORK/new.csv"
check "goods added after the copy" [ "$RC" = 0 ]
printf '{"customer": "%s", "department": "销售部", "warehouse": "一号仓库", "employee": "张三", "account": "现金", "lines": [{"code": "NEW1", "quantity": "5", "price": "3"}]}' "$unit" >"$WORK/in.json"
run post purchase "$WORK/in.json"
check "a purchase posted after the copy" [ "$RC" = 0 ]
run users add 王五
check "an operator added after the copy" [ "$RC" = 0 ]
run users add zhang_san%
check "operator names stay unique whatever their case" [ "$RC" = 1 ]
RC=- OUT=$(sql "select (select max(Id) from ferix_product) > (select max(Id) from ferix_product where Code <> 'NEW1')") ERR=
check "the new goods item has the next id" [ "$OUT" = t ]
run copy-to-server "$conn"
check "a folder on the server is not copied again" [ "$RC" = 1 -a -n "$ERR" ]

# A second copy into the now filled database is refused; its folder stays as it was.
cd "$WORK/again"
(cd Data && ls -l --time-style=full-iso && sha256sum *) >"$WORK/again-before"
run copy-to-server "$conn"
check "a copy into a database holding this program's data is refused" [ "$RC" = 1 ]
check "with its reason" grep -q "服务器上的数据库已有本程序的数据" <<<"$ERR"
(cd Data && ls -l --time-style=full-iso && sha256sum *) >"$WORK/again-after"
OUT=$(diff "$WORK/again-before" "$WORK/again-after")
check "the refused folder is untouched" [ -z "$OUT" ]
run goods list
check "and still reads its files" [ "$RC" = 0 ]
finish
