#!/usr/bin/env bash
# Hidden prices from the shell: a role hiding 进价 and 成本 reads every listing, report and page
# in every format, and none of them holds a purchase price, a purchase amount or a cost figure.
source "$(dirname "$0")/lib.sh" "$@"


fresh hidden
shop
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn,RetailPrice\nG1,Pen,电子,支,7.3131,9.5\nG2,Ink,电子,瓶,6.1717,\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
post() { # post KIND NUMBER LINES
    printf '{"number": "%s", "date": "2026-11-30", "customer": "华东电子", "department": "部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行", "paid": "0", "lines": [%s]}' \
        "$2" "$3" >"$WORK/bill.json"
    run post "$1" "$WORK/bill.json"
    check "$2 posted" [ "$RC:$OUT:$ERR" = "0:$2:" ]
}
# G1: 3 × 7.3131 = 21.94, G2: 2 × 6.1717 = 12.34, the bill 34.28; one G1 sold at 9.50 leaves
# 2 × 7.3131 = 14.63, the stock worth 14.63 + 12.34 = 26.97.
post purchase JH-1 '{"code": "G1", "quantity": "3"}, {"code": "G2", "quantity": "2"}'
post sale XS-1 '{"code": "G1", "quantity": "1"}'
run stock
check "the shop itself sees its figures" [ "$(cut -f2,5,8,9 <<<"$OUT" | tail -n +2 | tr '\t\n' ': ')" = \
    "G1:7.3131:7.3131:14.63 G2:6.1717:6.1717:12.34 " ]

run roles add 柜台 --from 店长
run roles hide 柜台 进价,成本
run users add counter
run users role counter 柜台
check "a role that reads everything but hides 进价 and 成本" [ "$RC" -eq 0 ]

leaks='7\.31|6\.17|21\.94|12\.34|34\.28|14\.63|26\.97'
SEEN=""
sweep() { # sweep ARGS...: as counter in tsv, csv and json; no hidden figure may appear
    local format
    for format in tsv csv json; do
        as counter --format "$format" "$@"
        check "$* ($format) reads" [ "$RC" -eq 0 ]
        check "$* ($format) shows no hidden figure" bash -c '! grep -Eq "$0" <<<"$1"' "$leaks" "$OUT$ERR"
        SEEN+="$format $*: $OUT"$'\n'
    done
}
sweep goods list
sweep goods find G
sweep stock
sweep bills purchase --from 2026-11-01 --to 2026-11-30
sweep bill purchase JH-1
sweep bills sale --from 2026-11-01 --to 2026-11-30
sweep bill sale XS-1
sweep report purchase-goods --from 2026-11-01 --to 2026-11-30
sweep report sale-goods --from 2026-11-01 --to 2026-11-30
sweep report purchase-employee --from 2026-11-01 --to 2026-11-30
sweep stock-warnings
sweep balances
sweep statement 华东电子 --from 2026-11-01 --to 2026-11-30
sweep accounts
sweep print-stock
check "the stock page holds no hidden figure" bash -c '! grep -Eq "$0" PrintView/temp_kucun_view.html' "$leaks"
check "the stock page shows *** for the value" grep -q '\*\*\*' PrintView/temp_kucun_view.html

# The fields stay, their values are ***; the sale's own prices and amounts are not hidden.
as counter stock
check "stock: Price, CostPrice and Value hidden" [ "$(cut -f2,4,5,8,9 <<<"$OUT" | tr '\t\n' ': ')" = \
    "ProductCode:Number:Price:CostPrice:Value G1:2:***:***:*** G2:2:***:***:*** " ]
as counter --format json goods list
check "goods json: PriceIn is the string ***, RetailPrice shown" \
    bash -c 'grep -q "\"PriceIn\": \"\*\*\*\"" <<<"$0" && grep -q "\"RetailPrice\": \"9.5\"" <<<"$0"' "$OUT"
as counter --format csv bill purchase JH-1
check "a purchase's lines: price and amount ***" [ "$(cut -d, -f1,7,8 <<<"$OUT" | tr '\r\n' '  ')" = \
    "Product_ID,Product_Price,Product_Total G1,***,*** G2,***,*** " ]
as counter bills purchase --from 2026-11-01 --to 2026-11-30
check "a purchase's total and paid amount ***, the total row too" [ "$(cut -f1,8,10 <<<"$OUT" | tr '\t\n' ': ')" = \
    "Bill_ID:Total:Pay JH-1:***:*** 统计汇总:***: " ]
as counter bill sale XS-1
check "a sale's price and amount shown" [ "$(cut -f1,7,8 <<<"$OUT" | tail -1)" = "$(printf 'G1\t9.5\t9.50')" ]
as counter report purchase-goods --from 2026-11-01 --to 2026-11-30
check "the purchase statistics' price ***" [ "$(cut -f1,5,6 <<<"$OUT" | sed -n 2p)" = "$(printf 'G1\t3\t***')" ]

as counter statement 华东电子 --from 2026-11-01 --to 2026-11-30
check "a statement: the sale and its balance shown, the purchase and every balance from it ***" \
    [ "$(cut -f2,4,5,6 <<<"$OUT" | tail -n +2 | tr '\t\n' ': ')" = ":::0.00 XS-1:9.50::9.50 JH-1::***:*** :***:***:*** " ]

# The profit report is all cost: refused outright.
for format in tsv csv json; do
    as counter --format "$format" report profit-goods --from 2026-11-01 --to 2026-11-30
    check "profit refused ($format)" [ "$RC:$OUT:$ERR" = "5::您没有“销售利润报表”的“查看”权限！" ]
done

# The preset clerk sees the stock without cost.
run users add clerk
run users role clerk 营业员
as clerk stock
check "营业员: stock without cost" [ "$(cut -f5,8,9 <<<"$OUT" | sed -n 2p)" = "$(printf '***\t***\t***')" ]
check "a hidden figure shows as *** across the sweep" grep -q '\*\*\*' <<<"$SEEN"

# A price the role does not see cannot be written either, by command or by file.
hidden_write='“PriceIn”是您的角色看不到的价格，不能修改！'
as counter goods update G1 --PriceIn 1.00
check "goods update of a hidden price refused" [ "$RC:$ERR" = "1:$hidden_write" ]
printf 'Code,ProductName,ClassName,Unit,PriceIn\nG9,Cap,电子,个,9.99\n' >"$WORK/hidden.csv"
as counter goods import "$WORK/hidden.csv"
check "a file naming a hidden price refused" [ "$RC:$ERR" = "1:$hidden_write" ]
run goods find G
check "nothing written: G1 still at 7.3131, no G9" \
    [ "$(grep -c G9 <<<"$OUT"):$(grep -c 7.3131 <<<"$OUT")" = "0:1" ]
finish
