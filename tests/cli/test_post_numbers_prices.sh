#!/usr/bin/env bash
# Bills posted without a number, many in the same second and from two programs at once, each
# get their own number; a number given in the file is refused when taken. Unit prices keep the
# form they were typed in everywhere they are shown.
source "$(dirname "$0")/lib.sh" "$@"

fresh posts
shop
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\nG1,Pen,电子,个,1.5\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "goods imported" [ "$RC" = 0 ]
header='"customer": "华东电子", "department": "采购部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行"'
printf '{%s, "lines": [{"code": "G1", "quantity": "1", "price": "2.10"}]}' "$header" >"$WORK/bill.json"

poster() { # poster P: ten purchases without a number; "<exit> <number>" per line
    local i rc number
    for i in $(seq 1 10); do
        number=$("$CLI" --user admin --password '' post purchase "$WORK/bill.json" 2>>"$WORK/err-$1") &&
            rc=0 || rc=$?
        echo "$rc $number"
    done >"$WORK/numbers-$1"
}
poster 1 &
poster 2 &
wait
cat "$WORK/numbers-1" "$WORK/numbers-2" >"$WORK/numbers"
RC=- OUT=$(cat "$WORK/numbers") ERR=$(cat "$WORK/err-1" "$WORK/err-2")
check "twenty posts, all stored" [ "$(grep -c '^0 ' "$WORK/numbers")" = 20 ]
check "nothing said on stderr" [ -z "$ERR" ]
cut -d' ' -f2 "$WORK/numbers" | sort >"$WORK/printed"
check "twenty different numbers printed" [ "$(sort -u "$WORK/printed" | wc -l)" = 20 ]
check "each number is the time-made number, or it with -2, -3, ..." \
    [ "$(grep -cE '^JH-[0-9]{6}-[0-9]{6}(-([2-9]|1[0-9]|20))?$' "$WORK/printed")" = 20 ]
run bills purchase --from 2000-01-01 --to 2999-12-31
tail -n +2 <<<"$OUT" | cut -f1 | grep -v '^统计汇总$' | sort >"$WORK/stored"
check "the stored bills are the printed ones" cmp -s "$WORK/printed" "$WORK/stored"
check "total row counts twenty pens" [ "$(tail -n 1 <<<"$OUT" | cut -f7,8)" = "$(printf '20\t42.00')" ]

# A number given in the file is the user's choice: taken, it is refused, even in the made form.
taken=$(head -n 1 "$WORK/printed")
printf '{"number": "%s", %s, "lines": [{"code": "G1", "quantity": "1"}]}' "$taken" "$header" \
    >"$WORK/given.json"
run post purchase "$WORK/given.json"
check "a given number that is taken is refused" \
    [ "$RC" = 1 -a "$ERR" = "单据编号“$taken”已经存在，请修改编号后再保存！" -a -z "$OUT" ]

# Prices as typed: "2.10" bought, sold at "3.50", re-priced to "4.00".
number=$(head -n 1 "$WORK/stored")
run bill purchase "$number"
check "bill line keeps 2.10" [ "$(tail -n +2 <<<"$OUT" | cut -f7,8)" = "$(printf '2.10\t2.10')" ]
printf '{"number": "XS-1", "date": "2026-12-07", %s, "lines": [{"code": "G1", "quantity": "2", "price": "3.50"}]}' \
    "$header" >"$WORK/sale.json"
run post sale "$WORK/sale.json"
check "sale posted" [ "$RC" = 0 -a "$OUT" = XS-1 ]
run bill sale XS-1
check "sale line keeps 3.50" [ "$(tail -n +2 <<<"$OUT" | cut -f3,7,8)" = "$(printf '2\t3.50\t7.00')" ]
run report sale-goods --from 2026-12-07 --to 2026-12-07
check "report keeps 3.50" [ "$(sed -n 2p <<<"$OUT" | cut -f1,5,6)" = "$(printf 'G1\t2\t3.50')" ]
run stock --warehouse 一号仓库
check "stock row keeps 2.10" [ "$(tail -n +2 <<<"$OUT" | cut -f2,4,5)" = "$(printf 'G1\t18\t2.10')" ]
run print-stock --warehouse 一号仓库
check "printout keeps 2.10" grep -qF '<td class="num">18</td><td class="num">2.10</td>' PrintView/temp_kucun_view.html
printf '{"number": "TJ-1", "department": "采购部", "warehouse": "一号仓库", "employee": "张三", "lines": [{"code": "G1", "price": "4.00"}]}' \
    >"$WORK/price.json"
run post price "$WORK/price.json"
check "price adjustment posted" [ "$RC" = 0 -a "$OUT" = TJ-1 ]
run bill price TJ-1
check "price adjustment row keeps 4.00" [ "$(tail -n +2 <<<"$OUT" | cut -f7)" = 4.00 ]
run stock --warehouse 一号仓库
check "stock row re-priced to 4.00" [ "$(tail -n +2 <<<"$OUT" | cut -f2,5)" = "$(printf 'G1\t4.00')" ]
# A sale line without a price starts at the goods' retail price, so it earns what it should; a
# purchase line at the purchase price. G2 is bought at 4, sold at 6.50, one comes back.
printf 'Code,ProductName,ClassName,Unit,PriceIn,RetailPrice\nG2,Ink,电子,瓶,4,6.50\n' >"$WORK/ink.csv"
run goods import "$WORK/ink.csv"
check "ink imported" [ "$RC" = 0 ]
for bill in purchase:JH-9:10 sale:XS-9:3 sale-return:XSTH-9:1; do
    IFS=: read -r kind number quantity <<<"$bill"
    printf '{"number": "%s", "date": "2026-12-08", %s, "lines": [{"code": "G2", "quantity": "%s"}]}' \
        "$number" "$header" "$quantity" >"$WORK/ink.json"
    run post "$kind" "$WORK/ink.json"
    check "$number posted" [ "$RC:$OUT" = "0:$number" ]
done
run bill purchase JH-9
check "purchase line at the purchase price" [ "$(tail -n +2 <<<"$OUT" | cut -f3,7,8)" = "$(printf '10\t4\t40.00')" ]
run bill sale XS-9
check "sale line at the retail price" [ "$(tail -n +2 <<<"$OUT" | cut -f3,7,8)" = "$(printf '3\t6.50\t19.50')" ]
run bill sale-return XSTH-9
check "sale return line at the retail price" [ "$(tail -n +2 <<<"$OUT" | cut -f3,7,8)" = "$(printf '1\t6.50\t6.50')" ]
run report profit-goods --from 2026-12-08 --to 2026-12-08
check "the sales earned 2 x (6.50 - 4)" [ "$(sed -n 2p <<<"$OUT")" = "$(printf 'G2\tInk\t瓶\t2\t13.00\t8.00\t5.00\t38.46%%')" ]
finish
