# Roles and rights from the shell: the roles commands, a clerk refused before anything is done.
. "$(dirname "$0")/lib.sh"

data() { sqlite3 Data/other_data.tdb ".dump"; sqlite3 Data/main_data.tdb ".dump"; }

fresh roles
shop
run classes add 电子
run roles list
check "the five preset roles, admin holding 管理员" [ "$RC" -eq 0 -a "$(echo "$OUT" | cut -f1,3,4,5 | tr '\t\n' '|;')" = "Name|Warehouses|Hide|Operators;管理员|全部||1;店长|全部||0;营业员|全部|进价,成本|0;仓管|全部|进价,成本,售价|0;财务|全部||0;" ]
run --format json roles show 仓管
check "a role's rights as json" [ "$RC" -eq 0 -a "$(echo "$OUT" | sed -n 2p)" = ' {"Function": "loss", "Name": "报损单", "Module": "库存", "Actions": "查看,录入,红冲,打印,导出"},' ]
run users add clerk
run users role clerk 营业员
check "an operator gets a role" [ "$RC" -eq 0 -a "$ERR" = "修改管理员角色成功！" ]

# The clerk is refused before anything is read or written, with exit 5.
printf '{"number":"JH-1","date":"2026-03-01","customer":"华东电子","warehouse":"一号仓库","lines":[{"code":"G1","quantity":"1","price":"2"}]}' >"$WORK/jh.json"
BEFORE=$(data)
as clerk post purchase "$WORK/jh.json"
check "a clerk may not post a purchase" [ "$RC" -eq 5 -a "$ERR" = "您没有“进货开单”的“录入”权限！" -a -z "$OUT" ]
as clerk reverse sale XS-1
check "nor reverse a sale" [ "$RC" -eq 5 -a "$ERR" = "您没有“销售开单”的“红冲”权限！" ]
as clerk goods delete G1
check "nor delete goods" [ "$RC" -eq 5 -a "$ERR" = "您没有“商品管理”的“删除”权限！" ]
as clerk roles grant 营业员 purchase 录入
check "nor change roles" [ "$RC" -eq 5 -a "$ERR" = "您没有“角色管理”的“录入”权限！" ]
as clerk users role clerk 管理员
check "nor give itself 管理员" [ "$RC" -eq 5 -a "$ERR" = "您没有“管理员管理”的“录入”权限！" ]
as clerk restore x.bak
check "nor restore" [ "$RC" -eq 5 -a "$ERR" = "您没有“恢复数据”的“录入”权限！" ]
check "nothing written by the refused commands" [ "$(data)" = "$BEFORE" ]
as clerk stock
check "a clerk looks at the stock" [ "$RC" -eq 0 ]

# 管理员's changes, each logged; what 管理员 may not change.
run roles add 收银 --from 营业员
check "a role made from another" [ "$RC" -eq 0 -a "$ERR" = "添加角色成功！" ]
run roles grant 收银 purchase 查看,录入
run roles revoke 收银 sale 导出
run roles grant 收银 goods 录入
run roles warehouses 收银 一号仓库
run roles hide 收银 --none
run roles show 收银
check "grant and revoke" [ "$(echo "$OUT" | cut -f1,4 | head -3 | tr '\t\n' '|;')" = "Function|Actions;purchase|查看,录入;sale|查看,录入,打印;" ]
run roles list
check "warehouses and hidden prices" [ "$(echo "$OUT" | grep '^收银' | cut -f3,4)" = "$(printf '一号仓库\t')" ]
run users role clerk 收银
printf 'Code,ProductName,ClassName\nG1,笔,电子\n' >"$WORK/goods.csv"
as clerk goods import "$WORK/goods.csv"
check "the granted right is held at the next login" [ "$RC" -eq 0 -a "$(sqlite3 Data/main_data.tdb 'select ProductName from ferix_product')" = "笔" ]
run roles remove 收银
check "a role in use stays" [ "$RC" -eq 1 -a "$ERR" = "管理员“clerk”的角色是“收银”，不能删除！" ]
run roles grant 管理员 sale 查看
check "管理员 is never changed" [ "$RC" -eq 1 -a "$ERR" = "管理员角色不能修改或删除！" ]
run roles grant 收银 purchase 删除
check "an action the function has not" [ "$RC" -eq 1 -a "$ERR" = "“进货开单”没有“删除”动作！" ]
run users role admin 财务
check "the last 管理员 keeps it" [ "$RC" -eq 1 -a "$ERR" = "至少要有一个管理员的角色是“管理员”！" ]
run roles warehouses 收银
check "warehouses or --all" [ "$RC" -eq 2 ]
check "the role changes are logged" [ "$(sqlite3 Data/other_data.tdb "select group_concat(Event, ';') from Log where Event like '%角色%'")" = "管理员“clerk”的角色改为“营业员”;新建角色“收银”，复制自“营业员”;角色“收银”增加“进货开单”的权限：查看,录入;角色“收银”去掉“销售开单”的权限：导出;角色“收银”增加“商品管理”的权限：录入;角色“收银”的仓库改为：一号仓库;角色“收银”隐藏的价格改为：无;管理员“clerk”的角色改为“收银”" ]
# A command whose own right is held but whose work needs another the role lacks: the core's check
# refuses before anything is written, and the exit is still 5.
fresh roles-demo
run roles add 演示 --from 营业员
run roles grant 演示 demo_data 录入
run users add demo
run users role demo 演示
BEFORE=$(data)
as demo demo-data --goods 3 --customers 1 --bills 0
check "the sample data needs the goods' right too" [ "$RC" -eq 5 -a "$ERR" = "您没有“商品管理”的“录入”权限！" ]
check "and writes nothing" [ "$(data)" = "$BEFORE" ]
finish
