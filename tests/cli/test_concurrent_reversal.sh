#!/usr/bin/env bash
# Two programs reverse the same thirty sales at the same time: each sale is reversed exactly
# once, the other program is refused with the reversal's message, the stock ends where it began
# and every red bill is stored once.
source "$(dirname "$0")/lib.sh" "$@"
command -v sqlite3 >/dev/null || { echo "SKIP: the sqlite3 program is not installed"; exit 77; }

fresh reversals
shop
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\r\nG1,Pen,电子,个,1.5\r\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "goods imported" [ "$RC" = 0 ]
header='"customer": "华东电子", "department": "销售部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行"'
printf '{"number": "JH-START", %s, "lines": [{"code": "G1", "quantity": "100"}]}' "$header" >"$WORK/in.json"
run post purchase "$WORK/in.json"
check "stock of 100 bought" [ "$RC" = 0 ]
for i in $(seq 1 30); do
    printf '{"number": "XS-%s", %s, "lines": [{"code": "G1", "quantity": "2", "price": "3"}]}' \
        "$i" "$header" >"$WORK/sale.json"
    run post sale "$WORK/sale.json"
    check "XS-$i posted" [ "$RC" = 0 ]
done

reverser() { # reverser P: reverses XS-1 … XS-30; "<number> <exit>" per line
    local p=$1 i rc
    for i in $(seq 1 30); do
        "$CLI" --user admin --password '' reverse sale "XS-$i" >"$WORK/out-$p-$i" \
            2>"$WORK/err-$p-$i" && rc=0 || rc=$?
        echo "XS-$i $rc"
    done >"$WORK/results-$p"
}
reverser 1 &
reverser 2 &
wait

RC=- OUT=$(paste "$WORK/results-1" "$WORK/results-2") ERR=
check "each sale reversed by exactly one program" \
    [ "$(paste "$WORK/results-1" "$WORK/results-2" | awk '$2 + $4 != 1' | wc -l)" = 0 ]
for i in $(seq 1 30); do
    for p in 1 2; do
        if [ "$(cat "$WORK/out-$p-$i")" = "" ]; then
            ERR=$(cat "$WORK/err-$p-$i")
            check "XS-$i: the other program is told it is reversed" \
                [ "$ERR" = "单据“XS-$i”已经红冲，不能重复红冲！" ]
        else
            check "XS-$i: the red bill's number" [ "$(cat "$WORK/out-$p-$i")" = "XS-$i-H" ]
        fi
    done
done

db=Data/main_data.tdb
ERR=
check "database sound" [ "$(sqlite3 $db 'PRAGMA integrity_check')" = ok ]
check "stock back where it began" [ "$(sqlite3 $db "select Number from StockPile where ProductCode = 'G1'")" = 100 ]
OUT=$(sqlite3 $db "select Canceled, count(*) from EnterSale group by Canceled")
check "thirty reversed sales, thirty red bills" [ "$OUT" = "$(printf '1|30\n2|30')" ]
OUT=$(sqlite3 $db "select Canceled, count(*), sum(Product_Number) from EnterSale_Detail group by Canceled")
check "one red line per sale line" [ "$OUT" = "$(printf '1|30|60\n2|30|-60')" ]
finish
