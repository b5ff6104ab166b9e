#!/usr/bin/env bash
# ferix-cli home: the home page's figures as rows of Figure and Value, as of the day given; the
# role's rights decide which figures show and whether profit reads "***".
source "$(dirname "$0")/lib.sh" "$@"

fresh home
shop
run classes add 饮料
printf 'Code,ProductName,ClassName,Unit,PriceIn,InventoryLow\nG1,可乐,饮料,瓶,10,15\nG2,橙汁,饮料,盒,5,5\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
printf 'CustomerCode,CustomerName,CustomerType\nKH7,甲公司,客户\nKH8,乙公司,客户\nKH9,丙公司,客户\n' >"$WORK/units.csv"
run customers import "$WORK/units.csv"
check "goods and units imported" [ "$RC" = 0 ]
post() { # post KIND NUMBER DATE CUSTOMER PAID LINES
    printf '{"number": "%s", "date": "%s", "customer": "%s", "department": "部", "warehouse": "一号仓库", "employee": "李四", "account": "工商银行", "paid": "%s", "lines": [%s]}' \
        "$2" "$3" "$4" "$5" "$6" >"$WORK/bill.json"
    run post "$1" "$WORK/bill.json"
    check "$2 posted" [ "$RC:$OUT:$ERR" = "0:$2:" ]
}
# Costs 可乐 10.00, 橙汁 5.00. February: 4 可乐 @ 20.00 to 丙公司 (80.00, profit 40.00). March:
# 5 可乐 @ 30.00 to 乙公司 on the 1st, 50.00 paid (150.00, profit 100.00); 1 back on the 14th
# (-30.00, profit -20.00); 3 橙汁 @ 8.00 to 甲公司 on the 15th (24.00, profit 9.00).
post purchase JH-1 2026-02-01 华东电子 0 '{"code": "G1", "quantity": "20", "price": "10.00"}, {"code": "G2", "quantity": "10", "price": "5.00"}'
post sale XS-1 2026-02-10 丙公司 0 '{"code": "G1", "quantity": "4", "price": "20.00"}'
post sale XS-2 2026-03-01 乙公司 50 '{"code": "G1", "quantity": "5", "price": "30.00"}'
post sale-return XSTH-1 2026-03-14 乙公司 0 '{"code": "G1", "quantity": "1", "price": "30.00"}'
post sale XS-3 2026-03-15 甲公司 0 '{"code": "G2", "quantity": "3", "price": "8.00"}'

# Month: 150 - 30 + 24 = 144.00 against 80.00, +80.00%; profit 100 - 20 + 9 = 89.00 against
# 40.00, +122.50%. 可乐 left 20 - 4 - 5 + 1 = 12 under its 15, 橙汁 7 over its 5. Owed: 丙公司 80.00,
# 乙公司 150 - 50 - 30 = 70.00, 甲公司 24.00, 174.00 in all. Best sellers: 可乐 4 (120.00), 橙汁 3.
run home --date 2026-03-15
HEAD="$(printf '%s\n' Figure$'\t'Value Date$'\t'2026-03-15 Today_Sales$'\t'24.00 Today_Profit$'\t'9.00 \
    Month_Sales$'\t'144.00 Last_Month_Sales$'\t'80.00 Month_Sales_Change$'\t'+80.00% \
    Month_Profit$'\t'89.00 Last_Month_Profit$'\t'40.00 Month_Profit_Change$'\t'+122.50% \
    Below_Lower_Limit$'\t'1 Receivable_Total$'\t'174.00 \
    Debtor_1_Name$'\t'丙公司 Debtor_1_Receivable$'\t'80.00 Debtor_2_Name$'\t'乙公司 \
    Debtor_2_Receivable$'\t'70.00 Debtor_3_Name$'\t'甲公司 Debtor_3_Receivable$'\t'24.00 \
    Best_Seller_1_Code$'\t'G1 Best_Seller_1_Name$'\t'可乐 Best_Seller_1_Quantity$'\t'4 \
    Best_Seller_1_Amount$'\t'120.00 Best_Seller_2_Code$'\t'G2 Best_Seller_2_Name$'\t'橙汁 \
    Best_Seller_2_Quantity$'\t'3 Best_Seller_2_Amount$'\t'24.00)"
check "the day's, the month's and the warnings', receivables' and best sellers' figures" \
    [ "$RC:$(head -26 <<<"$OUT")" = "0:$HEAD" ]
# Thirty days from 2026-02-14, twelve months from 2025-04: only the sales days and months differ
# from nothing.
check "thirty days, then twelve months, oldest first" [ "$(tail -n +27 <<<"$OUT" | cut -f1 | sed -n '1p;30p;31p;42p' | tr '\n' ' ')" = \
    "Daily_Sales_2026-02-14 Daily_Sales_2026-03-15 Monthly_Sales_2025-04 Monthly_Sales_2026-03 " ]
check "only the days and months that sold" [ "$(tail -n +27 <<<"$OUT" | grep -v $'\t0.00$' | tr '\t\n' '= ')" = \
    "Daily_Sales_2026-03-01=150.00 Daily_Sales_2026-03-14=-30.00 Daily_Sales_2026-03-15=24.00 Monthly_Sales_2026-02=80.00 Monthly_Sales_2026-03=144.00 " ]
check "67 rows under the header" [ "$(wc -l <<<"$OUT")" = 68 ]

# The same figures through the listing's formats; a day later, today sold nothing.
run --format csv home --date 2026-03-16
check "csv, a day later" [ "$RC:$(sed -n '1,4p' <<<"$OUT" | tr -d '\r' | tr '\n' ' ')" = \
    "0:Figure,Value Date,2026-03-16 Today_Sales,0.00 Today_Profit,0.00 " ]
run --format json home --date 2026-03-15
check "json" [ "$(sed -n 5p <<<"$OUT")" = ' {"Figure": "Month_Sales", "Value": "144.00"},' ]
run --format xlsx --output "$WORK/home.xlsx" home --date 2026-03-15
check "xlsx written" [ "$RC" = 0 -a -s "$WORK/home.xlsx" ]

# A month that sold nothing (April of last year): every amount nothing, no change to show.
run home --date 2025-04-30
check "an empty month" [ "$(sed -n '2,10p' <<<"$OUT" | tr '\t\n' '= ')" = \
    "Date=2025-04-30 Today_Sales=0.00 Today_Profit=0.00 Month_Sales=0.00 Last_Month_Sales=0.00 Month_Sales_Change= Month_Profit=0.00 Last_Month_Profit=0.00 Month_Profit_Change= " ]

run home --date 2026-02-30
check "a day that is none is refused" [ "$RC:$OUT:$ERR" = "2::日期必须写成 yyyy-MM-dd：2026-02-30" ]
run home 2026-03-15
check "the day only as --date" [ "$RC" = 2 ]

# A clerk (营业员 hides 进价 and 成本) is refused until the role may look at 统计报表; then it sees
# the sales, profit as "***", and neither the warnings nor the receivables (not its windows).
run users add clerk
run users role clerk 营业员
as clerk home --date 2026-03-15
check "a clerk without the report is refused" [ "$RC:$OUT:$ERR" = "5::您没有“统计报表”的“查看”权限！" ]
run roles grant 营业员 reports 查看
as clerk home --date 2026-03-15
check "the clerk's figures: sales, profit hidden" [ "$RC:$(head -10 <<<"$OUT" | tr '\t\n' '= ')" = \
    "0:Figure=Value Date=2026-03-15 Today_Sales=24.00 Today_Profit=*** Month_Sales=144.00 Last_Month_Sales=80.00 Month_Sales_Change=+80.00% Month_Profit=*** Last_Month_Profit=*** Month_Profit_Change=*** " ]
check "then the best sellers, no warnings or receivables" [ "$(sed -n '11,12p' <<<"$OUT" | tr '\t\n' '= ')" = \
    "Best_Seller_1_Code=G1 Best_Seller_1_Name=可乐 " ]
check "the clerk's 59 rows under the header" [ "$(wc -l <<<"$OUT")" = 60 ]

# 财务 with 售价 hidden: every amount "***", the names and quantities stay; no stock warnings.
run roles add 出纳 --from 财务
run roles hide 出纳 售价
run users add cashier
run users role cashier 出纳
as cashier home --date 2026-03-15
check "the cashier's figures: amounts hidden" [ "$RC:$(grep -E '^(Today|Month_Sales_Change|Below|Receivable|Debtor_1|Best_Seller_1_(Quantity|Amount))' <<<"$OUT" | tr '\t\n' '= ')" = \
    "0:Today_Sales=*** Today_Profit=*** Month_Sales_Change=*** Receivable_Total=*** Debtor_1_Name=丙公司 Debtor_1_Receivable=*** Best_Seller_1_Quantity=4 Best_Seller_1_Amount=*** " ]
finish
