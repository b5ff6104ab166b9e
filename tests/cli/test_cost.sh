#!/usr/bin/env bash
# ferix-cli cost and profit: stock prints cost price and value, report profit-* groups the sales'
# profit, stock-warnings lists goods outside their limits, print-stock fills the value total.
source "$(dirname "$0")/lib.sh" "$@"

fresh cost
shop
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn,InventoryLow,InventoryHigh\nG1,Pen,电子,支,1.5,20,\nG2,Ink,电子,瓶,3,,1\nG3,Clip,电子,个,1,x,\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "goods imported" [ "$RC" = 0 ]
printf 'CustomerCode,CustomerName,CustomerType\nKH9,甲公司,客户\nKH8,乙公司,客户\n' >"$WORK/units.csv"
run customers import "$WORK/units.csv"
post() { # post KIND NUMBER CUSTOMER EMPLOYEE LINES
    printf '{"number": "%s", "date": "2026-11-30", "customer": "%s", "department": "部", "warehouse": "一号仓库", "employee": "%s", "account": "工商银行", "paid": "0", "lines": [%s]}' \
        "$2" "$3" "$4" "$5" >"$WORK/bill.json"
    run post "$1" "$WORK/bill.json"
    check "$2 posted" [ "$RC:$OUT:$ERR" = "0:$2:" ]
}
post purchase JH-1 华东电子 张三 '{"code": "G1", "quantity": "10", "price": "10.00"}, {"code": "G2", "quantity": "3", "price": "4"}'
post purchase JH-2 华东电子 张三 '{"code": "G1", "quantity": "10", "price": "20.00"}'
post sale XS-1 甲公司 李四 '{"code": "G1", "quantity": "5", "price": "30.00"}'
post sale XS-2 乙公司 王五 '{"code": "G2", "quantity": "1", "price": "5"}'

run stock
check "stock prints the cost price and the value last" [ "$(cut -f2,4,8,9 <<<"$OUT" | tr '\t\n' ': ')" = \
    "ProductCode:Number:CostPrice:Value G1:15:15.0000:225.00 G2:2:4.0000:8.00 " ]

run report profit-goods --from 2026-11-01 --to 2026-11-30
check "profit by goods, total last" [ "$RC:$OUT" = "0:$(printf '%s\n' \
    "$(printf 'Code\tProductName\tUnit\tQuantity\tAmount\tCost\tProfit\tMargin')" \
    "$(printf 'G1\tPen\t支\t5\t150.00\t75.00\t75.00\t50.00%%')" \
    "$(printf 'G2\tInk\t瓶\t1\t5.00\t4.00\t1.00\t20.00%%')" \
    "$(printf '统计汇总\t\t\t6\t155.00\t79.00\t76.00\t49.03%%')")" ]
run --format csv report profit-employee --from 2026-11-01 --to 2026-11-30
check "profit by handler" [ "$OUT" = "$(printf '%s\r\n' Employee,Quantity,Amount,Cost,Profit,Margin \
    李四,5,150.00,75.00,75.00,50.00% 王五,1,5.00,4.00,1.00,20.00% 统计汇总,6,155.00,79.00,76.00,49.03%)" ]
run report profit-month --from 2026-12-01 --to 2026-12-31
check "an empty period gives the total row only" [ "$(tail -n +2 <<<"$OUT")" = "$(printf '统计汇总\t0\t0.00\t0.00\t0.00\t')" ]
run report profit-week --from 2026-12-01 --to 2026-12-31
check "an unknown report kind is a usage error" [ "$RC" = 2 ]

run stock-warnings
check "warnings: below and above, the bad limit told on stderr" [ "$RC:$OUT:$ERR" = "0:$(printf '%s\n' \
    "$(printf 'Code\tProductName\tUnit\tQuantity\tInventoryLow\tInventoryHigh\tState\tSuggested\tPacked')" \
    "$(printf 'G1\tPen\t支\t15\t20\t\t低于下限\t5\t15支')" \
    "$(printf 'G2\tInk\t瓶\t2\t\t1\t高于上限\t\t2瓶')"):以下商品的库存上下限不是整数，未参与预警：Clip" ]
run stock-warnings --warehouse 二号仓库
check "a warehouse without the goods has none of them" [ "$(tail -n +2 <<<"$OUT" | cut -f1,4,7)" = \
    "$(printf 'G1\t0\t低于下限')" ]

run print-stock
check "the printed page carries the value total" grep -q '库存金额合计：233.00' "$OUT"
finish
