#!/usr/bin/env bash
# A role limited to one warehouse: ferix-cli lists that warehouse alone and refuses another one
# named on the command line or in a bill file with exit 5, writing nothing.
source "$(dirname "$0")/lib.sh" "$@"

data() { sqlite3 Data/other_data.tdb ".dump"; sqlite3 Data/main_data.tdb ".dump"; }

fresh scope
shop
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\nG1,Pen,电子,支,1.5\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
for w in 一号仓库:10 二号仓库:4; do
    printf '{"number": "JH-%s", "date": "2026-12-01", "customer": "华东电子", "department": "采购部", "warehouse": "%s", "employee": "张三", "account": "工商银行", "paid": "0", "lines": [{"code": "G1", "quantity": "%s", "price": "2.5"}]}' \
        "${w%%:*}" "${w%%:*}" "${w##*:}" >"$WORK/purchase.json"
    run post purchase "$WORK/purchase.json"
    check "purchase into ${w%%:*} posted" [ "$RC" = 0 ]
done
run roles add 一号仓管 --from 仓管
run roles warehouses 一号仓管 一号仓库
run users add keeper
run users role keeper 一号仓管
check "the keeper's role sees 一号仓库 alone" [ "$RC" = 0 ]

as keeper stock
check "the stock of 一号仓库 alone" [ "$RC:$(tail -n +2 <<<"$OUT" | cut -f1,2,4 | tr '\t\n' ': ')" = "0:一号仓库:G1:10 " ]
BEFORE=$(data)
as keeper stock --warehouse 二号仓库
check "another warehouse named is refused with exit 5" [ "$RC:$OUT:$ERR" = "5::您没有仓库“二号仓库”的权限！" ]
printf '{"number": "YK-1", "date": "2026-12-02", "warehouse": "一号仓库", "to_warehouse": "二号仓库", "department": "仓储部", "employee": "李四", "lines": [{"code": "G1", "quantity": "3"}]}' >"$WORK/transfer.json"
as keeper post transfer "$WORK/transfer.json"
check "a transfer into it is refused with exit 5" [ "$RC:$OUT:$ERR" = "5::您没有仓库“二号仓库”的权限！" ]
check "nothing written by the refusals" [ "$(data)" = "$BEFORE" ]

# Nor may it remove another warehouse from the list or make a sample shop reaching into one; and
# a role's scope names listed warehouses alone.
run roles add 一号店长 --from 店长
run roles warehouses 一号店长 一号仓库
run users add boss
run users role boss 一号店长
BEFORE=$(data; cat Data/ferix_config.data)
as boss config remove warehouse 二号仓库
check "another warehouse is not removed from the list" [ "$RC:$OUT:$ERR" = "5::您没有仓库“二号仓库”的权限！" ]
as boss demo-data --goods 2 --customers 2 --bills 2 --lines-per-bill 1
check "no sample shop reaching into another warehouse" [ "$RC:$OUT:$ERR" = "5::您没有仓库“二号仓库”的权限！" ]
check "nothing written by either" [ "$(data; cat Data/ferix_config.data)" = "$BEFORE" ]
run roles warehouses 一号店长 无此仓库
check "a warehouse the list does not hold is no scope" [ "$RC:$ERR" = "1:仓库“无此仓库”不在仓库列表中。" ]
finish
