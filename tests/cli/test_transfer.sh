#!/usr/bin/env bash
# ferix-cli transfers: post prints the number, bills and bill list them, reverse moves the goods
# back; refusals exit 1 with their message.
source "$(dirname "$0")/lib.sh" "$@"

fresh transfer
shop
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\nG1,Pen,电子,支,1.5\nG2,Ink,电子,瓶,3\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "goods imported" [ "$RC" = 0 ]
printf '{"number": "JH-1", "date": "2026-12-01", "customer": "华东电子", "department": "采购部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行", "paid": "0", "lines": [{"code": "G1", "quantity": "10", "price": "2.5"}, {"code": "G2", "quantity": "6", "price": "4"}]}' >"$WORK/purchase.json"
run post purchase "$WORK/purchase.json"
check "purchase posted" [ "$RC" = 0 ]

transfer() { # transfer NUMBER TO LINES: writes the transfer file
    printf '{"number": "%s", "date": "2026-12-02", "warehouse": "一号仓库", "to_warehouse": "%s", "department": "仓储部", "employee": "李四", "introduction": "补货", "lines": [%s]}' \
        "$1" "$2" "$3" >"$WORK/transfer.json"
}
stock() { run stock; tail -n +2 <<<"$OUT" | cut -f1,2,4,5 | tr '\t\n' ': '; }

transfer YK-1 一号仓库 '{"code": "G1", "quantity": "1"}'
run post transfer "$WORK/transfer.json"
check "the same warehouse twice is refused" [ "$RC:$OUT:$ERR" = "1::调出仓库和调入仓库不能相同！" ]
transfer YK-1 二号仓库 '{"code": "G1", "quantity": "6"}, {"code": "G1", "quantity": "5"}'
run post transfer "$WORK/transfer.json"
check "two lines of one goods item count together" \
    [ "$RC:$OUT:$ERR" = "$(printf '1::库存不足！\n商品（Pen）在仓库（一号仓库）的库存为：10')" ]

transfer YK-1 二号仓库 '{"code": "G1", "quantity": "11"}, {"code": "G1", "quantity": "1.5"}'
run post transfer "$WORK/transfer.json"
check "every quantity is checked before the stock" [ "$RC:$OUT:$ERR" = "1::商品“Pen”的数量必须是不小于零的整数！" ]
for to in 不存在 "二号仓库 "; do
    transfer YK-1 "$to" '{"code": "G1", "quantity": "1"}'
    run post transfer "$WORK/transfer.json"
    check "a target outside the warehouse list is refused: $to" [ "$RC:$OUT:$ERR" = "1::仓库“$to”不在仓库列表中！" ]
done
check "nothing moved" [ "$(stock)" = "一号仓库:G1:10:2.5 一号仓库:G2:6:4 " ]

transfer YK-1 二号仓库 '{"code": "G1", "quantity": "6", "unit": "盒", "note": "易碎"}, {"code": "G2", "quantity": "2"}'
run post transfer "$WORK/transfer.json"
check "the transfer's number is printed" [ "$RC:$OUT:$ERR" = "0:YK-1:" ]
check "the goods moved, the new row at the source's price" \
    [ "$(stock)" = "一号仓库:G1:4:2.5 一号仓库:G2:4:4 二号仓库:G1:6:2.5 二号仓库:G2:2:4 " ]

run bills transfer --from 2026-12-01 --to 2026-12-31
check "bills lists the transfer once" [ "$OUT" = "$(printf '%s\n' \
    "$(printf 'Bill_ID\tBill_Date\tWarehouse\tToWarehouse\tEmployee\tNumber\tIntroduction\tCanceled')" \
    "$(printf 'YK-1\t2026-12-02\t一号仓库\t二号仓库\t李四\t8\t补货\t0')")" ]
run bill transfer YK-1
check "bill shows its lines" [ "$OUT" = "$(printf '%s\n' \
    "$(printf 'Product_ID\tProduct_Name\tProduct_Number\tProduct_Unit\tProduct_BarCode\tProduct_Note\tCanceled\tBaseNumber')" \
    "$(printf 'G1\tPen\t6\t盒\t\t易碎\t0\t6')" "$(printf 'G2\tInk\t2\t瓶\t\t\t0\t2')")" ]

run reverse transfer YK-1
check "the red transfer's number is printed" [ "$RC:$OUT:$ERR" = "0:YK-1-H:" ]
check "the goods are back" \
    [ "$(stock)" = "一号仓库:G1:10:2.5 一号仓库:G2:6:4 二号仓库:G1:0:2.5 二号仓库:G2:0:4 " ]
today=$(date +%F)
run bills transfer --from 2026-12-01 --to 2999-12-31
check "both listed with their marks" [ "$(tail -n +2 <<<"$OUT")" = "$(printf '%s\n' \
    "$(printf 'YK-1\t2026-12-02\t一号仓库\t二号仓库\t李四\t8\t补货\t1')" \
    "$(printf 'YK-1-H\t%s\t一号仓库\t二号仓库\t李四\t-8\t红冲单据 YK-1\t2' "$today")")" ]
run reverse transfer YK-1
check "a second reversal is refused" [ "$RC:$OUT:$ERR" = "1::单据“YK-1”已经红冲，不能重复红冲！" ]

transfer YK-2 二号仓库 '{"code": "G1", "quantity": "3"}'
run post transfer "$WORK/transfer.json"
check "YK-2 posted" [ "$RC:$OUT" = "0:YK-2" ]
printf '{"number": "BS-1", "department": "仓储部", "warehouse": "二号仓库", "employee": "李四", "lines": [{"code": "G1", "quantity": "1"}]}' >"$WORK/loss.json"
run post loss "$WORK/loss.json"
check "a loss in the target" [ "$RC" = 0 ]
run reverse transfer YK-2
check "no reversal when the target no longer holds the goods" \
    [ "$RC:$OUT:$ERR" = "1::商品“Pen”库存不足，不能红冲！" ]
run bill transfer YK-9
check "an unknown transfer" [ "$RC:$ERR" = "1:没有编号为“YK-9”的单据！" ]
finish
