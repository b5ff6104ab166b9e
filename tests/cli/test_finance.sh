#!/usr/bin/env bash
# Receipts and payments from the shell: post, reverse, balances, statement, accounts, the
# refusals, and two programs receiving money from one customer at the same time.
source "$(dirname "$0")/lib.sh" "$@"

fresh finance
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\r\nG1,Pen,电子,个,10\r\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
printf 'CustomerCode,CustomerName,CustomerType\r\nKH001,华东电子,客户\r\nGYS001,恒通商贸,供应商\r\n' >"$WORK/units.csv"
run customers import "$WORK/units.csv"
for bank in 工商银行 现金 建设银行; do run config add bank "$bank"; done
run config add warehouse 一号仓库
check "reference data" [ "$RC" = 0 ]

trade() { # trade KIND NUMBER DATE UNIT QUANTITY PRICE PAID
    printf '{"number": "%s", "date": "%s", "customer": "%s", "department": "部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行", "paid": "%s", "lines": [{"code": "G1", "quantity": "%s", "price": "%s"}]}' \
        "$2" "$3" "$4" "$7" "$5" "$6" >"$WORK/$2.json"
    run post "$1" "$WORK/$2.json"
    check "$1 $2 posted" [ "$RC" = 0 -a "$OUT" = "$2" ]
}
money() { # money KIND NUMBER DATE UNIT ACCOUNT AMOUNT
    printf '{"number": "%s", "date": "%s", "customer": "%s", "department": "财务部", "employee": "马丽", "account": "%s", "amount": "%s", "introduction": "货款"}' \
        "$2" "$3" "$4" "$5" "$6" >"$WORK/$2.json"
    run post "$1" "$WORK/$2.json"
}

trade purchase JH-1 2026-11-02 恒通商贸 10 10 40.00
trade sale XS-1 2026-11-03 华东电子 4 25 30.00
run balances
check "a sale of 100.00 with 30.00 received leaves 70.00" [ "$OUT" = $'Customer\tType\tReceivable\tPayable\n华东电子\t客户\t70.00\t0.00\n恒通商贸\t供应商\t0.00\t60.00' ]
money receipt SK-1 2026-11-10 华东电子 现金 50
check "receipt posted" [ "$RC" = 0 -a "$OUT" = SK-1 ]
money payment FK-1 2026-11-10 恒通商贸 建设银行 50.00
check "payment posted" [ "$RC" = 0 -a "$OUT" = FK-1 ]
trade sale-return XSTH-1 2026-11-20 华东电子 1 10 10.00
trade purchase-return JHTH-1 2026-11-21 恒通商贸 1 10 10
run balances --type 客户
check "receipt 50.00 and a refunded return leave 20.00" [ "$OUT" = $'Customer\tType\tReceivable\tPayable\n华东电子\t客户\t20.00\t0.00' ]
run --format csv balances --type 供应商
check "payment 50.00 and a refunded return leave 10.00" [ "$OUT" = $'Customer,Type,Receivable,Payable\r\n恒通商贸,供应商,0.00,10.00\r' ]
run accounts
check "accounts: in minus out, exact" [ "$OUT" = $'Bank\tIn\tOut\tBalance\n工商银行\t40.00\t50.00\t-10.00\n现金\t50.00\t0.00\t50.00\n建设银行\t0.00\t50.00\t-50.00' ]
run statement 华东电子 --from 2026-11-05 --to 2026-11-30
check "statement: 70.00 + 10.00 - 60.00 = 20.00" [ "$OUT" = $'Bill_Date\tBill_ID\tKind\tIncrease\tDecrease\tBalance\n2026-11-05\t\t期初余额\t\t\t70.00\n2026-11-10\tSK-1\t收款单\t\t50.00\t20.00\n2026-11-20\tXSTH-1\t销售退货单\t10.00\t10.00\t20.00\n2026-11-30\t\t期末余额\t10.00\t60.00\t20.00' ]

run reverse receipt SK-1
check "reversal prints the red number" [ "$RC" = 0 -a "$OUT" = SK-1-H ]
run reverse payment FK-1
check "payment reversed" [ "$RC" = 0 -a "$OUT" = FK-1-H ]
run bills receipt --from 2026-11-01 --to 2999-12-31
check "bills lists the receipt and its red bill, amounts under Total" [ "$OUT" = "$(printf '%s\n' \
    "$(printf 'Bill_ID\tBill_Date\tCustomer\tDepartment\tEmployee\tWarehouse\tNumber\tTotal\tBank\tPay\tIntroduction\tCanceled')" \
    "$(printf 'SK-1\t2026-11-10\t华东电子\t财务部\t马丽\t\t\t50.00\t现金\t\t货款\t1')" \
    "$(printf 'SK-1-H\t%s\t华东电子\t财务部\t马丽\t\t\t-50.00\t现金\t\t红冲单据 SK-1\t2' "$(date +%F)")" \
    "$(printf '统计汇总\t\t\t\t\t\t0\t0.00\t\t\t\t')")" ]
money payment FK-9 2026-11-12 华东电子 现金 1
check "a payment takes a supplier" [ "$RC:$OUT:$ERR" = "1::往来单位“华东电子”不是供应商！" ]
money receipt SK-9 2026-11-12 恒通商贸 现金 1
check "a receipt takes a customer" [ "$RC:$OUT:$ERR" = "1::往来单位“恒通商贸”不是客户！" ]
run balances
check "reversing brings back 70.00 and 60.00" [ "$OUT" = $'Customer\tType\tReceivable\tPayable\n华东电子\t客户\t70.00\t0.00\n恒通商贸\t供应商\t0.00\t60.00' ]
run reverse receipt SK-1
check "no second reversal" [ "$RC" = 1 -a "$ERR" = "单据“SK-1”已经红冲，不能重复红冲！" ]
run reverse receipt FK-1
check "a payment is not a receipt" [ "$RC" = 1 -a "$ERR" = "单据“FK-1”不存在！" ]
run log
check "log entries" sh -c 'echo "$0" | grep -q "^收款操作	admin" && echo "$0" | grep -q "^付款操作	admin" && echo "$0" | grep -q "^红冲单据 SK-1	admin"' "$OUT"

# Refusals name what is wrong and write nothing.
before=$(cat Data/main_data.tdb | md5sum)
money receipt SK-2 2026-11-11 "无名'%公司" 现金 5
check "unknown unit refused by name" [ "$RC" = 1 -a "$ERR" = "往来单位“无名'%公司”不在往来单位列表中！" ]
money receipt SK-2 2026-11-11 华东电子 现金 abc
check "amount not a number" [ "$RC" = 1 -a "$ERR" = "金额“abc”不是有效的数字！" ]
money receipt SK-2 2026-11-11 华东电子 现金 -1
check "amount not above zero" [ "$RC" = 1 -a "$ERR" = "金额必须大于零！" ]
money receipt SK-1 2026-11-11 华东电子 现金 1
check "a number given twice is refused" [ "$RC" = 1 -a "$ERR" = "单据编号“SK-1”已经存在，请修改编号后再保存！" ]
check "nothing written" [ "$(cat Data/main_data.tdb | md5sum)" = "$before" ]
run statement 华东电子 --from 2026-11-05
check "statement needs both dates" [ "$RC" = 2 ]
run statement 华东电子 --from 2026-12-01 --to 2026-11-01
check "statement dates in order" [ "$RC" = 2 -a "$ERR" = "开始日期不能晚于结束日期！" ]
run bill receipt SK-1
check "a receipt has no lines to list" [ "$RC" = 2 ]
run balances --type 其他
check "unknown type is a usage error" [ "$RC" = 2 ]

# The paid amount of a trade bill is money; more than the bill's total only when asked for.
paid_sale() { # paid_sale PAID [OPTION]
    printf '{"number": "XS-8", "date": "2026-11-25", "customer": "华东电子", "department": "部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行", "paid": "%s", "lines": [{"code": "G1", "quantity": "1", "price": "25"}]}' "$1" >"$WORK/XS-8.json"
    run post sale "$WORK/XS-8.json" ${2:+"$2"}
}
paid_sale 1,000
check "a paid amount is money" [ "$RC" = 1 -a "$ERR" = "付款金额“1,000”不是有效的数字！" ]
paid_sale 25.01
check "more than the total is refused" [ "$RC" = 1 -a "$ERR" = "付款金额大于单据金额！确实如此时请加 --allow-overpay。" ]
paid_sale 25.005
check "three decimals are refused as such, before the bill's total is looked at" [ "$RC" = 1 -a "$ERR" = "付款金额“25.005”最多只能有两位小数！" ]
paid_sale 100.001
check "even above the total" [ "$RC" = 1 -a "$ERR" = "付款金额“100.001”最多只能有两位小数！" ]
sed 's/"employee": "张三", //' "$WORK/XS-8.json" >"$WORK/XS-8-noemployee.json"
run post sale "$WORK/XS-8-noemployee.json"
check "the window's checks come first: no handler named" [ "$RC" = 1 -a "$ERR" = "请输入 员工名称！" ]
paid_sale 25.01 --allow-overpay
check "and posted when the command says so" [ "$RC" = 0 -a "$OUT" = XS-8 ]
run reverse sale XS-8
check "and reversed again" [ "$RC" = 0 -a "$OUT" = XS-8-H ]
run help
check "the usage names the option" sh -c 'echo "$0" | grep -qF "post KIND FILE.json [--allow-overpay]"' "$ERR$OUT"

# Two programs receiving from the same customer at once: every receipt stored, balance holds all.
receiver() { # receiver P: 20 receipts of 1.00 without numbers; one exit status per line
    local p=$1 i rc
    for i in $(seq 1 20); do
        printf '{"customer": "华东电子", "employee": "马丽", "account": "现金", "amount": "1.00"}' >"$WORK/r-$p-$i.json"
        "$CLI" --user admin --password '' post receipt "$WORK/r-$p-$i.json" >>"$WORK/numbers-$p" 2>>"$WORK/errors" && rc=0 || rc=$?
        echo "$rc"
    done >"$WORK/codes-$p"
}
receiver 1 &
receiver 2 &
wait
RC=- OUT=$(cat "$WORK/codes-1" "$WORK/codes-2" | sort | uniq -c) ERR=$(cat "$WORK/errors")
check "all 40 receipts succeeded" [ "$(cat "$WORK/codes-1" "$WORK/codes-2" | grep -c '^0$')" = 40 ]
check "40 different numbers" [ "$(cat "$WORK/numbers-1" "$WORK/numbers-2" | sort -u | wc -l)" = 40 ]
run balances --type 客户
check "balance holds both programs' receipts" [ "$OUT" = $'Customer\tType\tReceivable\tPayable\n华东电子\t客户\t30.00\t0.00' ]
finish
