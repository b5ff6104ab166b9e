#!/usr/bin/env bash
# Two programs sell the same goods at the same time, 100 sales each, from a stock of 150:
# exactly 150 sales succeed, the others are refused for want of stock, the stock ends at zero
# and every sale that succeeded is stored once, every refused one not at all.
source "$(dirname "$0")/lib.sh" "$@"
command -v sqlite3 >/dev/null || { echo "SKIP: the sqlite3 program is not installed"; exit 77; }

fresh sales
shop
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\r\nG1,Pen,电子,个,1.5\r\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "goods imported" [ "$RC" = 0 ]
header='"customer": "华东电子", "department": "销售部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行"'
printf '{"number": "JH-START", %s, "lines": [{"code": "G1", "quantity": "150"}]}' "$header" >"$WORK/in.json"
run post purchase "$WORK/in.json"
check "stock of 150 bought" [ "$RC" = 0 ]

seller() { # seller P: 100 sales of one Pen, numbered XS-P<P>-<i>; "<number> <exit>" per line
    local p=$1 i rc
    for i in $(seq 1 100); do
        printf '{"number": "XS-P%s-%s", %s, "lines": [{"code": "G1", "quantity": "1", "price": "2"}]}' \
            "$p" "$i" "$header" >"$WORK/sale-$p-$i.json"
        "$CLI" --user admin --password '' post sale "$WORK/sale-$p-$i.json" >/dev/null \
            2>"$WORK/err-$p-$i" && rc=0 || rc=$?
        echo "XS-P$p-$i $rc"
    done >"$WORK/results-$p"
}
seller 1 &
seller 2 &
wait

cat "$WORK/results-1" "$WORK/results-2" >"$WORK/results"
sold=$(awk '$2 == 0' "$WORK/results" | wc -l)
refused=$(awk '$2 == 1' "$WORK/results" | wc -l)
RC=- OUT="$sold sold, $refused refused" ERR=$(awk '$2 != 0 && $2 != 1' "$WORK/results")
check "every sale was either stored or refused" [ $((sold + refused)) = 200 ]
check "exactly the stock was sold" [ "$sold" = 150 ]
# Refusals name the missing stock, nothing else.
for f in $(awk '$2 == 1 { print $1 }' "$WORK/results"); do
    p=${f#XS-P}; i=${p#*-}; p=${p%%-*}
    ERR=$(cat "$WORK/err-$p-$i")
    check "$f refused for want of stock" grep -q "库存不足" "$WORK/err-$p-$i"
done

db=Data/main_data.tdb
ERR=
check "database sound" [ "$(sqlite3 $db 'PRAGMA integrity_check')" = ok ]
check "stock ends at zero" [ "$(sqlite3 $db "select Number from StockPile where ProductCode = 'G1'")" = 0 ]
awk '$2 == 0 { print $1 }' "$WORK/results" | sort >"$WORK/expected"
sqlite3 $db "select Bill_ID from EnterSale" | sort >"$WORK/stored"
sqlite3 $db "select Bill_ID from EnterSale_Detail" | sort >"$WORK/stored-lines"
OUT=$(diff "$WORK/expected" "$WORK/stored" | head -5)
check "the stored sales are exactly those that succeeded, each once" cmp -s "$WORK/expected" "$WORK/stored"
check "one line per stored sale" cmp -s "$WORK/expected" "$WORK/stored-lines"
finish
