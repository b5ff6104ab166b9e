#!/usr/bin/env bash
# ferix-cli verify: the bills posted by the program are whole (exit 0); a line changed, a bill
# removed or one added with another program is named (exit 1), and each check is logged.
source "$(dirname "$0")/lib.sh" "$@"
command -v sqlite3 >/dev/null || { echo "SKIP: the sqlite3 program is not installed"; exit 77; }

fresh verify
shop
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\nG1,Pen,电子,支,1.5\nG2,Ink,电子,瓶,3\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
header='"date": "2026-12-01", "customer": "华东电子", "department": "销售部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行"'
bill() { # bill KIND NUMBER LINES: posts it
    printf '{"number": "%s", %s, "lines": [%s]}' "$2" "$header" "$3" >"$WORK/bill.json"
    run post "$1" "$WORK/bill.json"
    check "$2 posted" [ "$RC" = 0 ]
}
bill purchase JH-1 '{"code": "G1", "quantity": "10", "price": "2"}, {"code": "G2", "quantity": "5", "price": "3"}'
bill sale XS-1 '{"code": "G1", "quantity": "4", "price": "5"}'
run reverse sale XS-1
check "the sale reversed" [ "$RC" = 0 ]
run verify
check "three documents, whole" [ "$RC:$OUT:$ERR" = "0:单据记录完整：3 张单据。:" ]

db=Data/main_data.tdb
sqlite3 "$db" "update EnterSale set Canceled = '0' where Bill_ID = 'XS-1'"
run verify
check "a reversal mark cleared by hand names its bill" [ "$RC:$OUT:$ERR" = "1::单据记录不一致：销售单“XS-1”在本程序之外被修改！" ]
sqlite3 "$db" "update EnterSale set Canceled = '1' where Bill_ID = 'XS-1'; update EnterStock_Detail set Canceled = '1' where Bill_ID = 'JH-1'"
run verify
check "a reversal mark set by hand names its bill" [ "$RC:$OUT:$ERR" = "1::单据记录不一致：进货单“JH-1”在本程序之外被修改！" ]
sqlite3 "$db" "update EnterStock_Detail set Canceled = '0' where Bill_ID = 'JH-1'"

# A journal row written by hand is named (exit 1), never a failure of the program.
digest=$(sqlite3 "$db" "select Digest from BillJournal where Seq = 2")
junk() { # junk SQL UNDO MESSAGE WHAT
    sqlite3 "$db" "$1"
    run verify
    check "$4 is named" [ "$RC:$OUT:$ERR" = "1::单据记录不一致：$3是在本程序之外写入的！" ]
    sqlite3 "$db" "$2"
}
junk "update BillJournal set Digest = 'zz' where Seq = 2" "update BillJournal set Digest = '$digest' where Seq = 2" \
    "第 2 条单据记录（销售单“XS-1”）" "a digest that is no digest"
junk "update BillJournal set Kind = 'invoice' where Seq = 2" "update BillJournal set Kind = 'sale' where Seq = 2" \
    "第 2 条单据记录" "an unknown kind"
junk "update BillJournal set Version = 'one' where Seq = 1" "update BillJournal set Version = 2 where Seq = 1" \
    "第 1 条单据记录（进货单“JH-1”）" "a layout that is no number"
junk "update BillJournal set At = null where Seq = 3" "update BillJournal set At = '2026-12-01 10:00:00' where Seq = 3" \
    "第 3 条单据记录（销售单“XS-1-H”）" "an empty time"
junk "update BillJournal set Seq = 7 where Seq = 3; update JournalHead set Seq = 7" \
    "update BillJournal set Seq = 3 where Seq = 7; update JournalHead set Seq = 3" \
    "第 7 条单据记录（销售单“XS-1-H”）" "a gap in the numbering"
run verify
check "each put back, whole again" [ "$RC:$OUT" = "0:单据记录完整：3 张单据。" ]

sqlite3 "$db" "update EnterStock_Detail set Product_Number = '11' where Bill_ID = 'JH-1' and Product_ID = 'G1'"
run verify
check "a changed quantity names its bill" [ "$RC:$OUT:$ERR" = "1::单据记录不一致：进货单“JH-1”在本程序之外被修改！" ]
sqlite3 "$db" "update EnterStock_Detail set Product_Number = '10' where Bill_ID = 'JH-1' and Product_ID = 'G1'"
run verify
check "put back, whole again" [ "$RC:$OUT" = "0:单据记录完整：3 张单据。" ]

sqlite3 "$db" "insert into EnterSale(Bill_ID, Bill_Date, Customer) values('XS-9', '2026-12-02', '华东电子')"
run verify
check "an added bill is named" [ "$RC:$ERR" = "1:单据记录不一致：销售单“XS-9”是在本程序之外添加的！" ]
sqlite3 "$db" "delete from EnterSale where Bill_ID = 'XS-9'; delete from EnterSale_Detail where Bill_ID = 'XS-1-H'; delete from EnterSale where Bill_ID = 'XS-1-H'"
run verify
check "a removed bill is named" [ "$RC:$ERR" = "1:单据记录不一致：销售单“XS-1-H”在本程序之外被删除！" ]

run log
check "every check is in the log" [ "$(grep -c '数据校验：' <<<"$OUT")" = 13 ]
run verify extra
check "no arguments" [ "$RC" = 2 ]
finish
