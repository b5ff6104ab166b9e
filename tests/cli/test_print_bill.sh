# print-bill: a stored bill's page, or its PDF, from the shell.
. "$(dirname "$0")/lib.sh"

fresh pb
shop
printf 'Code,ProductName,ClassName,Unit,PriceIn\nG1,Pen,电子,支,10\nG2,Ink,电子,瓶,3\n' >"$WORK/goods.csv"
run classes add 电子
run goods import "$WORK/goods.csv"
check "goods" [ "$RC" -eq 0 ]
cat >"$WORK/purchase.json" <<'JSON'
{"customer": "华东电子", "warehouse": "一号仓库", "department": "采购部", "employee": "张三", "account": "工商银行",
 "lines": [{"code": "G1", "quantity": "3"}, {"code": "G2", "quantity": "1000"}]}
JSON
run post purchase "$WORK/purchase.json"
check "stock bought" [ "$RC" -eq 0 ]
# 3 × 19.69 + 1000 × 12.34 = 59.07 + 12340.00 = 12399.07
cat >"$WORK/sale.json" <<'JSON'
{"number": "XS-P1", "date": "2026-12-09", "customer": "华东电子", "warehouse": "一号仓库", "department": "销售部", "account": "工商银行",
 "employee": "张三", "lines": [{"code": "G1", "quantity": "3", "price": "19.69"},
                               {"code": "G2", "quantity": "1000", "price": "12.34"}]}
JSON
run post sale "$WORK/sale.json"
check "sale posted" [ "$RC" -eq 0 -a "$OUT" = "XS-P1" ]

run print-bill sale XS-P1
check "the page's path" [ "$RC" -eq 0 -a "$OUT" = "$PWD/PrintView/temp_bill_sale.html" ]
check "the page holds the total" grep -q '<td class="num">12399.07</td>' \
    "$PWD/PrintView/temp_bill_sale.html"
check "capitals on the page" grep -q '合计金额（人民币大写）：壹万贰仟叁佰玖拾玖元零柒分' \
    "$PWD/PrintView/temp_bill_sale.html"

if command -v pdftotext >/dev/null; then
    run print-bill sale XS-P1 --pdf "$WORK/sale.pdf"
    check "pdf written" [ "$RC" -eq 0 -a "$OUT" = "$WORK/sale.pdf" ]
    TEXT=$(pdftotext "$WORK/sale.pdf" - 2>/dev/null)
    check "the pdf holds the number" grep -q 'XS-P1' <<<"$TEXT"
    check "the pdf holds the capitals" grep -q '壹万贰仟叁佰玖拾玖元零柒分' <<<"$TEXT"
    check "the pdf holds the title" grep -q '销售单' <<<"$TEXT"
    # Every line with its cells side by side, in the order of the columns.
    LINES=$(pdftotext -layout "$WORK/sale.pdf" - 2>/dev/null |
        awk '$2 ~ /^G[12]$/ { print $1, $2, $3, $5, $6, $7 }' | tr '\n' ';')
    check "the pdf holds every line" [ "$LINES" = "1 G1 Pen 3 19.69 59.07;2 G2 Ink 1000 12.34 12340.00;" ]
    run print-bill sale XS-P1 --pdf "$WORK/no-such-folder/x.pdf"
    check "an unwritable pdf is told" [ "$RC" -eq 1 -a "$ERR" = "无法保存文件：$WORK/no-such-folder/x.pdf" ]
else
    echo "pdftotext missing: PDF checks skipped"
fi

run print-bill sale XS-NONE
check "unknown number" [ "$RC" -eq 1 -a "$ERR" = "没有编号为“XS-NONE”的单据！" ]
run print-bill purchase XS-P1
check "a sale's number is no purchase" [ "$RC" -eq 1 -a "$ERR" = "没有编号为“XS-P1”的单据！" ]
run print-bill bogus XS-P1
check "unknown kind is wrong usage" [ "$RC" -eq 2 ]

# The kind's 打印 right decides, before anything is read.
run roles add 只看 --from 营业员
run roles revoke 只看 sale 打印
run users add clerk --new-password ''
run users role clerk 只看
as clerk print-bill sale XS-P1
check "no print right" [ "$RC" -eq 5 -a "$ERR" = "您没有“销售开单”的“打印”权限！" ]
finish
