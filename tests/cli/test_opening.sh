#!/usr/bin/env bash
# ferix-cli opening: opening stock from a file (all rows or none, goods that moved refused unless
# --force), an opening receivable or payable, their listings, reversal and rights.
source "$(dirname "$0")/lib.sh" "$@"
command -v sqlite3 >/dev/null || { echo "SKIP: the sqlite3 program is not installed"; exit 77; }

fresh opening
shop
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\nG1,Pen,电子,支,1.5\nG2,Ink,电子,瓶,3\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
printf 'CustomerCode,CustomerName,CustomerType\nGY1,恒通商贸,供应商\n' >"$WORK/units.csv"
run customers import "$WORK/units.csv"
stock() { run stock; tail -n +2 <<<"$OUT" | cut -f1,2,4,8 | tr '\t\n' ': '; }

# A bad row names its line and writes nothing.
printf 'code,warehouse,quantity,cost\nG1,一号仓库,100,8.50\nG2,一号仓库,2.5,3\n' >"$WORK/bad.csv"
before=$(sqlite3 Data/main_data.tdb .dump)
run opening stock "$WORK/bad.csv"
check "a bad row is refused by its line" [ "$RC:$OUT:$ERR" = "1::第3行：数量“2.5”必须是大于零的整数！" ]
check "nothing written" [ "$before" = "$(sqlite3 Data/main_data.tdb .dump)" ]

# Two warehouses: two bills, one transaction, each number on a line.
printf 'code,warehouse,quantity,cost\r\nG1,一号仓库,100,8.50\r\nG2,二号仓库,10,3.25\r\n' >"$WORK/open.csv"
run opening stock "$WORK/open.csv"
first=$(sed -n 1p <<<"$OUT")
check "two numbers printed" [ "$RC:$(wc -l <<<"$OUT"):$(sed -n 2p <<<"$OUT")" = "0:2:$first-2" ]
check "stock at its cost" [ "$(stock)" = "一号仓库:G1:100:8.5000 二号仓库:G2:10:3.2500 " ]
printf '{"customer": "恒通商贸", "department": "采购部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行", "paid": "950", "lines": [{"code": "G1", "quantity": "100", "price": "9.50"}]}' >"$WORK/purchase.json"
run config add bank 工商银行
run post purchase "$WORK/purchase.json"
check "a purchase averages with it" [ "$(stock)" = "一号仓库:G1:200:9.0000 二号仓库:G2:10:3.2500 " ]

# Goods that moved are refused unless --force.
printf 'G1,一号仓库,5,1\n' >"$WORK/again.csv"
run opening stock "$WORK/again.csv"
check "goods with movements refused" [ "$RC:$OUT:$ERR" = "1::商品“Pen”在仓库“一号仓库”中已有出入库记录！确实如此时请加 --force。" ]
run opening stock "$WORK/again.csv" --force
check "--force posts it" [ "$RC:$(stock)" = "0:一号仓库:G1:205:8.8049 二号仓库:G2:10:3.2500 " ]
forced=$OUT

run bill opening "$first"
check "the bill's line" [ "$(tail -n +2 <<<"$OUT" | cut -f1-4,7,8,11)" = "$(printf 'G1\tPen\t100\t支\t8.50\t850.00\t100')" ]
run reverse opening "$first"
# (205 × 8.8049 − 100 × 8.50) / 105
check "reversed at its cost" [ "$RC:$OUT:$(stock)" = "0:$first-H:一号仓库:G1:105:9.0953 二号仓库:G2:10:3.2500 " ]
run bills opening --from 2000-01-01 --to 2999-12-31
check "listed with their marks" [ "$(tail -n +2 <<<"$OUT" | cut -f1,6,7,8,12 | tr '\t\n' ', ')" = \
    "$first,一号仓库,100,850.00,1 $first-2,二号仓库,10,32.50,0 $forced,一号仓库,5,5.00,0 $first-H,一号仓库,-100,-850.00,2 统计汇总,,15,37.50, " ]

# Opening balances: a customer's receivable, a supplier's payable, reversed.
run opening balance 华东电子 500
receivable=$OUT
check "a receivable's number" sh -c 'case "$1" in 0:QCYE-*) true;; *) false;; esac' - "$RC:$receivable"
run opening balance 恒通商贸 120.50
run balances
check "counted in balances" [ "$(tail -n +2 <<<"$OUT" | grep -E '华东电子|恒通商贸' | cut -f1,3,4 | tr '\t\n' ', ')" = \
    "华东电子,500.00,0.00 恒通商贸,0.00,120.50 " ]
run statement 华东电子 --from 2000-01-01 --to 2999-12-31
check "first in the statement" [ "$(sed -n 3p <<<"$OUT" | cut -f2-6)" = "$(printf '%s\t期初应收\t500.00\t\t500.00' "$receivable")" ]
run opening balance 无名 1
check "an unlisted unit refused" [ "$RC:$ERR" = "1:往来单位“无名”不在往来单位列表中！" ]
run reverse opening-balance "$receivable"
check "reversed" [ "$RC:$OUT" = "0:$receivable-H" ]
run balances
check "nothing owed after its reversal" [ "$(grep 华东电子 <<<"$OUT" | cut -f3)" = "0.00" ]
run verify
check "the journal holds them" [ "$RC" = 0 ]

# Only 管理员 and 店长 hold the opening data.
# Two files posted at once (in the same second, as like as not): each bill gets a free number.
printf 'code,warehouse,quantity,cost\nG2,一号仓库,1,3\nG2,二号仓库,1,3\n' >"$WORK/again.csv"
"$CLI" --user admin --password '' opening stock "$WORK/again.csv" --force >"$WORK/a1" 2>&1 &
p1=$!
"$CLI" --user admin --password '' opening stock "$WORK/again.csv" --force >"$WORK/a2" 2>&1 &
p2=$!
wait $p1 && wait $p2 && RC=0 || RC=$?
OUT=$(cat "$WORK/a1" "$WORK/a2") ERR=
check "both posted under four numbers" [ "$RC:$(sort -u <<<"$OUT" | grep -c '^QC-')" = "0:4" ]
# A name both a customer and a supplier: which is owed cannot be told.
printf 'CustomerCode,CustomerName,CustomerType\nKH9,恒通商贸,客户\n' >"$WORK/both.csv"
run customers import "$WORK/both.csv"
run opening balance 恒通商贸 5
check "a name both customer and supplier is refused" [ "$RC:$ERR" = "1:往来单位“恒通商贸”既是客户又是供应商，不能确定是期初应收还是期初应付！" ]

run users add clerk --new-password ''
run users role clerk 营业员
as clerk opening balance 华东电子 1
check "a clerk is refused" [ "$RC:$ERR" = "5:您没有“期初数据”的“录入”权限！" ]
finish
