#!/usr/bin/env bash
# ferix-cli post with lines in a further unit of the goods: the line keeps its unit, starts at the
# unit's price, and moves its quantity in base units (BaseNumber in `bill`); an unknown unit is
# refused with nothing written. The bill's quantity total and the stock warnings count base units.
source "$(dirname "$0")/lib.sh" "$@"
command -v sqlite3 >/dev/null || { echo "SKIP: the sqlite3 program is not installed"; exit 77; }

fresh units
shop
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\nG1,Pen,电子,支,1.5\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
sqlite3 Data/main_data.tdb "insert into GoodsUnit(Product_ID, Unit, Factor, BarCode, PriceIn) values('G1', '箱', '12', 'BOX-G1', '100.00')"
post() { # post NUMBER LINES
    printf '{"number": "%s", "date": "2026-12-01", "customer": "华东电子", "department": "部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行", "paid": "0", "lines": [%s]}' \
        "$1" "$2" >"$WORK/bill.json"
    run post purchase "$WORK/bill.json"
}
post JH-1 '{"code": "G1", "quantity": "2", "unit": "箱"}, {"code": "G1", "quantity": "3"}'
check "posted" [ "$RC:$OUT:$ERR" = "0:JH-1:" ]
run bill purchase JH-1
check "each line in its unit, at its unit's price, with its unit's barcode, and in base units" [ "$(cut -f3,4,8,9,11 <<<"$OUT" | tr '\t\n' ': ')" = \
    "Product_Number:Product_Unit:Product_Total:Product_BarCode:BaseNumber 2:箱:200.00:BOX-G1:24 3:支:4.50::3 " ]
run bills purchase --from 2026-12-01 --to 2026-12-01
check "the bill's quantity in base units, its amount as the lines'" [ "$(sed -n 2p <<<"$OUT" | cut -f1,7,8)" = "$(printf 'JH-1\t27\t204.50')" ]
sqlite3 Data/main_data.tdb "update ferix_product set InventoryLow = '30' where Code = 'G1'"
run stock-warnings
check "a warning tells its quantity in boxes too" [ "$(tail -n +2 <<<"$OUT" | cut -f1,4,8,9)" = "$(printf 'G1\t27\t3\t2箱3支')" ]
run stock
check "stock in base units at their average cost: (24 × 8.3333 + 4.50) / 27" [ "$(tail -n +2 <<<"$OUT" | cut -f2,4,8)" = "$(printf 'G1\t27\t7.5740')" ]

post JH-2 '{"code": "G1", "quantity": "1", "unit": "盒", "price": "5"}'
check "an unknown unit refused" [ "$RC:$OUT:$ERR" = "1::商品“Pen”没有单位“盒”！" ]
run bill purchase JH-2
check "nothing written" [ "$RC" != 0 ]
run verify
check "the journal whole" [ "$RC:$OUT" = "0:单据记录完整：1 张单据。" ]
finish
