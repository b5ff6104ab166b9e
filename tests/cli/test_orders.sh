#!/usr/bin/env bash
# ferix-cli orders: post purchase-order, a purchase made from it (lines matched by goods and unit,
# more than open refused without --allow-over), orders with their status, order with its
# progress, bill with Order_Line_ID, close-order and void-order, the clerk's rights and hidden
# prices, an order out of the operator's warehouse scope.
source "$(dirname "$0")/lib.sh" "$@"
command -v sqlite3 >/dev/null || { echo "SKIP: the sqlite3 program is not installed"; exit 77; }

fresh orders
shop
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\nG1,Pen,电子,个,1.5\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
run goods add-unit G1 箱 12
head='"date": "2026-12-01", "customer": "华东电子", "department": "部", "warehouse": "一号仓库", "employee": "张三"'
printf '{"number": "CD-1", %s, "delivery_date": "2026-12-20", "lines": [{"code": "G1", "quantity": "10", "price": "2"}, {"code": "G1", "quantity": "2", "unit": "箱", "price": "20"}]}' \
    "$head" >"$WORK/order.json"
run post purchase-order "$WORK/order.json"
check "an order posted" [ "$RC:$OUT:$ERR" = "0:CD-1:" ]
run stock
check "an order moves no stock" [ "$(tail -n +2 <<<"$OUT")" = "" ]

printf '{"number": "JH-1", "order": "CD-1", "account": "工商银行", "lines": [{"code": "G1", "quantity": "35"}]}' >"$WORK/over.json"
run post purchase "$WORK/over.json"
check "more than open refused" [ "$RC:$OUT:$ERR" = "1::超出订单未交数量，确定要继续吗？" ]
printf '{"number": "JH-1", "order": "CD-1", "account": "工商银行", "lines": [{"code": "G1", "quantity": "5"}]}' >"$WORK/five.json"
run post purchase "$WORK/five.json"
check "5 个 delivered" [ "$RC:$OUT" = "0:JH-1" ]
run bill purchase JH-1
check "the line names its order line last" [ "$(cut -f11,12 <<<"$OUT" | tr '\t\n' ': ')" = "BaseNumber:Order_Line_ID 5:1 " ]
run order purchase CD-1
check "progress in base units: 5 个 + 2 箱 open" [ "$(tr '\t\n' ' |' <<<"$OUT")" = \
    "Line Product_ID Product_Name Product_Unit Ordered Delivered Open Product_Price|1 G1 Pen 个 10 5 5 2|2 G1 Pen 箱 24 0 24 20|" ]
run orders purchase --status 部分交货
check "listed with its status" [ "$(tail -n +2 <<<"$OUT")" = "$(printf 'CD-1\t2026-12-01\t华东电子\t一号仓库\t张三\t60.00\t部分交货')" ]

printf '{"number": "JH-2", "order": "CD-1", "account": "工商银行", "lines": [{"code": "G1", "quantity": "7"}]}' >"$WORK/seven.json"
run post purchase "$WORK/seven.json"
check "7 个 within what is open" [ "$RC:$OUT" = "0:JH-2" ]
run order purchase CD-1
check "the 个 line's 5, then 2 of the boxes' rest" [ "$(tail -n +2 <<<"$OUT" | cut -f5-7 | tr '\t\n' ',;')" = "10,10,0;24,2,22;" ]
run bills purchase --from 2000-01-01 --to 2999-12-31
check "bills name their order" [ "$(cut -f1,13 <<<"$OUT" | head -3 | tr '\t\n' ': ')" = "Bill_ID:Order JH-1:CD-1 JH-2:CD-1 " ]
run void-order purchase CD-1
check "void refused after deliveries" [ "$RC:$ERR" = "1:订单“CD-1”已有交货，不能作废，只能关闭！" ]
run close-order purchase CD-1
check "closed" [ "$RC:$ERR" = "0:" ]
run orders purchase
check "closed status" [ "$(tail -n +2 <<<"$OUT" | cut -f7)" = "已关闭" ]
printf '{"order": "CD-1", "account": "工商银行"}' >"$WORK/rest.json"
run post purchase "$WORK/rest.json"
check "a closed order offers nothing" [ "$RC:$ERR" = "1:订单“CD-1”已经关闭，不能交货！" ]
run log
check "the close logged" [ "$(grep -c '关闭订单 CD-1' <<<"$OUT")" = 1 ]

# The clerk takes sales orders, never purchase orders, and voids none; prices hidden as set.
run users add clerk --new-password ''
run users role clerk 营业员
printf '{"number": "XD-1", %s, "lines": [{"code": "G1", "quantity": "3", "price": "4"}]}' "$head" >"$WORK/sale-order.json"
as clerk post sale-order "$WORK/sale-order.json"
check "the clerk posts a sales order" [ "$RC:$OUT" = "0:XD-1" ]
as clerk orders purchase
check "but sees no purchase order" [ "$RC:$ERR" = "5:您没有“采购订单”的“查看”权限！" ]
as clerk void-order sale XD-1
check "and voids none" [ "$RC:$ERR" = "5:您没有“销售订单”的“删除”权限！" ]
run roles hide 营业员 售价
as clerk order sale XD-1
check "a hidden price shows ***" [ "$(sed -n 2p <<<"$OUT" | cut -f8)" = "***" ]
run void-order sale XD-1
check "voided" [ "$RC" = 0 ]
run orders sale --status 已作废
check "voided status" [ "$(tail -n +2 <<<"$OUT" | cut -f1,7)" = "$(printf 'XD-1\t已作废')" ]
run verify
check "the journal holds the orders and bills" [ "$RC:$OUT" = "0:单据记录完整：4 张单据。" ]
# One goods item in one unit on two lines of an order (two prices): a bill's lines fill them in
# turn, at the order's prices when the file gives none.
printf '{"number": "CD-2", "delivery_date": "2026-12-20", %s, "lines": [{"code": "G1", "quantity": "10", "price": "2"}, {"code": "G1", "quantity": "3", "price": "3"}]}' "$head" >"$WORK/two.json"
run post purchase-order "$WORK/two.json"
printf '{"number": "JH-9", "order": "CD-2", "account": "工商银行", "lines": [{"code": "G1", "quantity": "10"}, {"code": "G1", "quantity": "3"}]}' >"$WORK/both.json"
run post purchase "$WORK/both.json"
check "both lines delivered without the question" [ "$RC:$OUT" = "0:JH-9" ]
run order purchase CD-2
check "each order line in full" [ "$(tail -n +2 <<<"$OUT" | cut -f5-7 | tr '\t\n' ',;')" = "10,10,0;3,3,0;" ]
run print-bill purchase-order CD-2
check "the printed order shows its delivery date" grep -q '交货日期：2026-12-20' "$OUT"
run bill purchase JH-9
check "at the order's prices" [ "$(tail -n +2 <<<"$OUT" | cut -f7,8 | tr '\t\n' ',;')" = "2,20.00;3,9.00;" ]

# More than is open, with --allow-over: counted on the line, the order complete.
printf '{"number": "JH-10", "order": "CD-2", "account": "工商银行", "lines": [{"code": "G1", "quantity": "2"}]}' >"$WORK/extra.json"
run post purchase "$WORK/extra.json"
check "more than open refused again" [ "$RC:$ERR" = "1:超出订单未交数量，确定要继续吗？" ]
run post purchase "$WORK/extra.json" --allow-over
check "over-delivery with --allow-over" [ "$RC:$OUT" = "0:JH-10" ]
run order purchase CD-2
check "counted on the last line" [ "$(tail -n +2 <<<"$OUT" | cut -f5-7 | tr '\t\n' ',;')" = "10,10,0;3,5,0;" ]

# An order is read by `order`, never by `bill`.
run bill purchase-order CD-2
check "bill names the order command" [ "$RC:$OUT:$ERR" = "2::usage: ferix-cli order purchase NUMBER  (an order is read by \`order\`, not \`bill\`)" ]
# To a role limited to another warehouse an open order of 一号仓库 is no order: it is neither
# closed nor voided, and the refusal tells no more than for a missing one.
printf '{"number": "CD-3", "delivery_date": "2026-12-20", %s, "lines": [{"code": "G1", "quantity": "1", "price": "2"}]}' "$head" >"$WORK/three.json"
run post purchase-order "$WORK/three.json"
run roles add 二号店长 --from 店长
run roles warehouses 二号店长 二号仓库
run users add boss2 --new-password ''
run users role boss2 二号店长
for cmd in close-order void-order order; do
    as boss2 $cmd purchase CD-3
    check "$cmd of an order out of scope reads as none" [ "$RC:$OUT:$ERR" = "1::没有编号为“CD-3”的订单！" ]
    as boss2 $cmd purchase CD-99
    check "$cmd of a missing order says the same" [ "$RC:$OUT:$ERR" = "1::没有编号为“CD-99”的订单！" ]
done
run orders purchase --status 未交货
check "the order stays open" [ "$(tail -n +2 <<<"$OUT" | cut -f1)" = "CD-3" ]
# The open order holds its business unit.
run customers delete KH0
check "the unit of an open order stays" [ "$RC:$OUT:$ERR" = "1::往来单位“华东电子”已被未完成的订单使用，不能删除！" ]
finish
