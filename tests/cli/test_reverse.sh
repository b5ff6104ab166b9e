#!/usr/bin/env bash
# ferix-cli reverse: the red bill's number on stdout, the bill lists that show it, refusals with
# their message and exit 1.
source "$(dirname "$0")/lib.sh" "$@"
command -v sqlite3 >/dev/null || { echo "SKIP: the sqlite3 program is not installed"; exit 77; }

fresh reverse
shop
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\nG1,Pen,电子,支,1.5\nG2,Ink,电子,瓶,3\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "goods imported" [ "$RC" = 0 ]
header='"date": "2026-12-01", "customer": "华东电子", "department": "销售部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行"'
bill() { # bill KIND NUMBER PAID LINES: posts it
    printf '{"number": "%s", %s, "paid": "%s", "lines": [%s]}' "$2" "$header" "$3" "$4" >"$WORK/bill.json"
    run post "$1" "$WORK/bill.json"
    check "$2 posted" [ "$RC" = 0 ]
}
bill purchase JH-1 30.00 '{"code": "G1", "quantity": "10", "price": "2"}, {"code": "G2", "quantity": "5", "price": "3"}'
bill sale XS-1 24.00 '{"code": "G1", "quantity": "4", "price": "5"}, {"code": "G2", "quantity": "1", "price": "4.5"}'
stock() { run stock --warehouse 一号仓库; tail -n +2 <<<"$OUT" | cut -f2,4 | tr '\n' ' '; }
check "stock after the sale" [ "$(stock)" = "$(printf 'G1\t6 G2\t4 ')" ]

run reverse sale XS-1
check "the red bill's number is printed" [ "$RC:$OUT:$ERR" = "0:XS-1-H:" ]
check "the sale's goods are back" [ "$(stock)" = "$(printf 'G1\t10 G2\t5 ')" ]
today=$(date +%F)
run bills sale --from 2026-12-01 --to 2999-12-31
check "bills lists both with their marks, and they net out" [ "$OUT" = "$(printf '%s\n' \
    "$(printf 'Bill_ID\tBill_Date\tCustomer\tDepartment\tEmployee\tWarehouse\tNumber\tTotal\tBank\tPay\tIntroduction\tCanceled\tOrder')" \
    "$(printf 'XS-1\t2026-12-01\t华东电子\t销售部\t张三\t一号仓库\t5\t24.50\t工商银行\t24.00\t\t1\t')" \
    "$(printf 'XS-1-H\t%s\t华东电子\t销售部\t张三\t一号仓库\t-5\t-24.50\t工商银行\t-24.00\t红冲单据 XS-1\t2\t' "$today")" \
    "$(printf '统计汇总\t\t\t\t\t\t0\t0.00\t\t\t\t\t')")" ]
run bill sale XS-1-H
check "the red lines: quantities and amounts negated, prices kept" [ "$(cut -f1,3,7,8 <<<"$OUT")" = "$(printf '%s\n' \
    "$(printf 'Product_ID\tProduct_Number\tProduct_Price\tProduct_Total')" \
    "$(printf 'G1\t-4\t5\t-20.00')" "$(printf 'G2\t-1\t4.5\t-4.50')")" ]
run log
check "one log entry for the reversal" [ "$(grep -c '红冲单据 XS-1' <<<"$OUT")" = 1 ]

refused() { # refused MESSAGE ARGS...: exit 1, exactly that message, nothing printed or written
    local message=$1; shift
    local before after
    before=$(sqlite3 Data/main_data.tdb .dump)
    run "$@"
    after=$(sqlite3 Data/main_data.tdb .dump)
    check "$* refused" [ "$RC:$OUT:$ERR" = "1::$message" ]
    check "$* wrote nothing" [ "$before" = "$after" ]
}
refused "单据“XS-1”已经红冲，不能重复红冲！" reverse sale XS-1
refused "红字单据不能红冲！" reverse sale XS-1-H
refused "单据“XS-1”不存在！" reverse purchase XS-1
bill sale XS-2 0 '{"code": "G1", "quantity": "8", "price": "5"}'
refused "商品“Pen”库存不足，不能红冲！" reverse purchase JH-1

for kind in loss gain price; do
    refused "单据“X”不能红冲！" reverse $kind X
done
run reverse nothing X
check "an unknown kind is a usage error" [ "$RC" = 2 ]
printf '{"number": "XS-9-H", %s, "paid": "0", "lines": [{"code": "G1", "quantity": "1", "price": "5"}]}' "$header" >"$WORK/bill.json"
refused "单据编号“XS-9-H”以“-H”结尾，这是红字单据的编号，请修改编号后再保存！" post sale "$WORK/bill.json"
run reverse sale
check "the number is required" [ "$RC" = 2 ]
finish
