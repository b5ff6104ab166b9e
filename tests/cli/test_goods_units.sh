#!/usr/bin/env bash
# A goods item's further units from the shell: add-unit, units, remove-unit with their refusals,
# hidden unit prices, and the stock told in them (Packed).
source "$(dirname "$0")/lib.sh" "$@"
command -v sqlite3 >/dev/null || { echo "SKIP: the sqlite3 program is not installed"; exit 77; }

fresh units
shop
run classes add 饮料
printf 'Code,ProductName,ClassName,Unit,PriceIn,BarCode\nG1,可乐,饮料,瓶,2.5,6901\nG2,雪碧,饮料,瓶,2,6902\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
printf '{"number": "JH-1", "date": "2026-12-01", "customer": "华东电子", "department": "采购部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行", "paid": "0", "lines": [{"code": "G1", "quantity": "155"}, {"code": "G2", "quantity": "7"}]}' >"$WORK/bill.json"
run post purchase "$WORK/bill.json"
check "purchase posted" [ "$RC" = 0 ]

run goods add-unit G1 箱 24 --barcode 690124 --price-in 60
check "箱 added" [ "$RC:$ERR" = "0:" ]
run goods add-unit G1 包 6
check "包 added" [ "$RC:$ERR" = "0:" ]
run goods add-unit G1 提 1
check "a factor of 1 is refused" [ "$RC:$ERR" = "1:换算必须是不小于2的整数！" ]
run goods add-unit G1 提 2.5
check "a factor that is not whole is refused" [ "$RC:$ERR" = "1:换算必须是不小于2的整数！" ]
run goods add-unit G2 箱 12 --barcode 6901
check "a goods item's barcode is refused" [ "$RC:$ERR" = "1:条码“6901”已是商品“G1”的条码！" ]
run goods add-unit G9 箱 12
check "unknown goods" [ "$RC:$ERR" = "1:没有商品编码为“G9”的商品！" ]
run goods update G2 --BarCode 690124
check "a goods barcode may not be a unit's" [ "$RC:$ERR" = "1:条码“690124”已是商品“G1”的单位“箱”的条码！" ]
run goods units G1
check "units, smallest first" [ "$RC:$OUT" = "0:$(printf 'Unit\tFactor\tBarCode\tPriceIn\tPriceOut\n包\t6\t\t\t\n箱\t24\t690124\t60\t')" ]

# 155 = 6 × 24 + 1 × 6 + 5; G2 has no further units.
run stock --warehouse 一号仓库
check "stock packed" [ "$(tail -n +2 <<<"$OUT" | cut -f2,4,10 | tr '\t\n' ': ')" = "G1:155:6箱1包5瓶 G2:7:7瓶 " ]

# A role hiding 进价 sees "***" for a unit's purchase price.
run roles add 柜台 --from 店长
run roles hide 柜台 进价
run users add counter
run users role counter 柜台
as counter goods units G1
check "hidden unit purchase price" [ "$(tail -n +2 <<<"$OUT" | cut -f1,4 | tr '\t\n' ': ')" = "包: 箱:*** " ]
as counter goods add-unit G2 箱 12 --price-in 20
check "a hidden price cannot be written" [ "$RC:$ERR" = "1:“PriceIn”是您的角色看不到的价格，不能修改！" ]

# A unit a line names stays.
sqlite3 Data/main_data.tdb "insert into BaoSunDan(Bill_ID, Product_ID, Product_Unit, Product_Number, Base_Number) values ('BS-9', 'G1', '箱', '1', '24')"
run goods remove-unit G1 箱
check "a used unit is kept" [ "$RC:$ERR" = "1:单位“箱”已被单据使用，不能修改换算！" ]
run goods remove-unit G1 包
check "包 removed" [ "$RC:$ERR" = "0:" ]
run goods units G1
check "箱 left" [ "$(tail -n +2 <<<"$OUT" | cut -f1,2)" = "$(printf '箱\t24')" ]
run goods remove-unit G1
check "usage" [ "$RC" = 2 ]
finish
