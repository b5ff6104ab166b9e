#!/usr/bin/env bash
# ferix-cli count: the gain and loss bill numbers on stdout, "盘点无差异。" when nothing differs,
# refusals with their message and exit 1.
source "$(dirname "$0")/lib.sh" "$@"
command -v sqlite3 >/dev/null || { echo "SKIP: the sqlite3 program is not installed"; exit 77; }

fresh count
shop
run classes add 电子
run classes add 文具
printf 'Code,ProductName,ClassName,Unit,PriceIn\nG1,Pen,电子,支,1.5\nG2,Ink,电子,瓶,3\nG3,Paper,文具,包,5\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "goods imported" [ "$RC" = 0 ]
printf '{"number": "JH-1", "date": "2026-12-01", "customer": "华东电子", "department": "采购部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行", "paid": "0", "lines": [{"code": "G1", "quantity": "40", "price": "2"}, {"code": "G2", "quantity": "12", "price": "3"}, {"code": "G3", "quantity": "5", "price": "5"}]}' >"$WORK/bill.json"
run post purchase "$WORK/bill.json"
check "purchase posted" [ "$RC" = 0 ]
stock() { run stock --warehouse 一号仓库; tail -n +2 <<<"$OUT" | cut -f2,4 | tr '\n' ' '; }

printf 'code,counted\r\nG1,40\r\n' >"$WORK/same.csv"
run count 一号仓库 "$WORK/same.csv"
check "no difference is said on stdout" [ "$RC:$OUT:$ERR" = "0:盘点无差异。:" ]

# Pen 3 more, Ink 2 short; Paper is not in the file and stays as booked.
printf 'code,counted\nG1,43\nG2,10\n' >"$WORK/count.csv"
run count 一号仓库 "$WORK/count.csv"
check "the gain and the loss bill's numbers, one a line" [ "$RC:$ERR" = "0:" ]
gain=$(sed -n 1p <<<"$OUT"); loss=$(sed -n 2p <<<"$OUT")
check "numbers of both kinds" sh -c '[ "$(printf "%s\n" "$1" | wc -l)" = 2 ] && case "$2:$3" in BY-*:BS-*) true;; *) false;; esac' - "$OUT" "$gain" "$loss"
check "stock after the count" [ "$(stock)" = "$(printf 'G1\t43 G2\t10 G3\t5 ')" ]
run bill gain "$gain"
check "the gain line" [ "$(tail -n +2 <<<"$OUT" | cut -f1-4)" = "$(printf 'G1\tPen\t3\t支')" ]
run bill loss "$loss"
check "the loss line" [ "$(tail -n +2 <<<"$OUT" | cut -f1-4)" = "$(printf 'G2\tInk\t2\t瓶')" ]
intro=$(sqlite3 Data/main_data.tdb "select distinct Introduction from BaoYiDan union select Introduction from BaoSunDan")
check "both bills name the count" sh -c 'case "$1" in "盘点 PD-"*) true;; *) false;; esac' - "$intro"
# The count's bills are listed with the other bills of their kinds.
today=$(date +%F)
for kb in "gain:$gain:3" "loss:$loss:2"; do
    IFS=: read -r kind number quantity <<<"$kb"
    run bills "$kind" --from 2000-01-01 --to 2999-12-31
    check "bills $kind lists the count's bill" [ "$RC:$OUT" = "0:$(printf '%s\n' \
        "$(printf 'Bill_ID\tBill_Date\tCustomer\tDepartment\tEmployee\tWarehouse\tNumber\tTotal\tBank\tPay\tIntroduction\tCanceled')" \
        "$(printf '%s\t%s\t\t\t\t一号仓库\t%s\t\t\t\t%s\t0' "$number" "$today" "$quantity" "$intro")" \
        "$(printf '统计汇总\t\t\t\t\t\t%s\t0.00\t\t\t\t' "$quantity")")" ]
done
run log
check "one log entry per line" [ "$(grep -c '报溢操作' <<<"$OUT"):$(grep -c '填写报损单操作' <<<"$OUT")" = "1:1" ]

# A class narrows the count: a file naming goods of another class is refused.
printf 'G3,4\n' >"$WORK/paper.csv"
run count 一号仓库 "$WORK/paper.csv" --class 文具
check "a class count without a header row posts only the loss" [ "$RC:$(printf '%s' "$OUT" | cut -c1-3)" = "0:BS-" ]
check "paper counted" [ "$(stock)" = "$(printf 'G1\t43 G2\t10 G3\t4 ')" ]

refused() { # refused MESSAGE ARGS...: exit 1, exactly that message, nothing printed or written
    local message=$1; shift
    local before after
    before=$(sqlite3 Data/main_data.tdb .dump)
    run "$@"
    after=$(sqlite3 Data/main_data.tdb .dump)
    check "$* refused" [ "$RC:$OUT:$ERR" = "1::$message" ]
    check "$* wrote nothing" [ "$before" = "$after" ]
}
printf 'code,counted\nG1,50\nG2,2.5\n' >"$WORK/bad.csv"
refused "商品“Ink”的实盘数量必须是不小于零的整数！" count 一号仓库 "$WORK/bad.csv"
printf 'code,counted\nG1,-1\n' >"$WORK/bad.csv"
refused "商品“Pen”的实盘数量必须是不小于零的整数！" count 一号仓库 "$WORK/bad.csv"
printf 'code,counted\nG1,50\nG3,1\n' >"$WORK/bad.csv"
refused "第3行：商品编码“G3”不在本次盘点的库存中！" count 一号仓库 "$WORK/bad.csv" --class 电子
printf 'code,counted\nG1,50\nG1,51\n' >"$WORK/bad.csv"
refused "第3行：商品编码“G1”与第2行重复！" count 一号仓库 "$WORK/bad.csv"
printf 'code,counted\nG1\n' >"$WORK/bad.csv"
refused "第2行：应有两个字段：商品编码和实盘数量！" count 一号仓库 "$WORK/bad.csv"
refused "无法打开文件“$WORK/none.csv”！" count 一号仓库 "$WORK/none.csv"
# A warehouse or class the lists do not hold is no empty count.
printf 'code,counted\n' >"$WORK/empty.csv"
refused "仓库“不存在”不在仓库列表中！" count 不存在 "$WORK/empty.csv"
refused "仓库“一号仓库 ”不在仓库列表中！" count "一号仓库 " "$WORK/empty.csv"
refused "商品类别“文 具”不在商品类别列表中！" count 一号仓库 "$WORK/empty.csv" --class "文 具"
# Blank lines count nothing; a shortage of goods without a stock row shows 0.
printf 'code,counted\n\nG3,3\n\n' >"$WORK/blank.csv"
run count 一号仓库 "$WORK/blank.csv" --class 文具
check "blank lines are skipped" [ "$RC:$(printf '%s' "$OUT" | cut -c1-3):$ERR" = "0:BS-:" ]
check "paper counted again" [ "$(stock)" = "$(printf 'G1\t43 G2\t10 G3\t3 ')" ]
printf '{"department": "仓储部", "warehouse": "二号仓库", "employee": "李四", "lines": [{"code": "G3", "quantity": "1"}]}' >"$WORK/loss.json"
refused "$(printf '库存不足！\n商品（Paper）在仓库（二号仓库）的库存为：0')" post loss "$WORK/loss.json"

run count 一号仓库
check "a missing file argument is wrong usage" [ "$RC" = 2 ]
run count 一号仓库 "$WORK/count.csv" --warehouse 二号仓库
check "an unknown option is wrong usage" [ "$RC" = 2 ]
finish
