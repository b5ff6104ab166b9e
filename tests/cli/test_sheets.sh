#!/usr/bin/env bash
# Workbooks and labels from the shell: every listing as xlsx holds the cells of its CSV, typed
# (numbers, dates, a bold header), hidden prices as "***"; labels as PDF pages.
source "$(dirname "$0")/lib.sh" "$@"
PY=/usr/bin/python3
$PY -c 'import openpyxl' 2>/dev/null || { echo "skipped: Debian's python3-openpyxl is missing"; exit 77; }

fresh sheets
shop
run classes add 电子
# 0012 is a code with a leading zero, 6901234567892 a barcode: both stay texts.
printf 'Code,ProductName,ClassName,Unit,PriceIn,RetailPrice,BarCode\n0012,蓝色圆珠笔芯六支装,电子,支,7.3131,9.50,6901234567892\nG2,墨水,电子,瓶,6.1717,,\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
printf '{"number": "JH-1", "date": "2026-11-30", "customer": "华东电子", "department": "部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行", "paid": "0", "lines": [{"code": "0012", "quantity": "3"}, {"code": "G2", "quantity": "2"}]}' >"$WORK/bill.json"
run post purchase "$WORK/bill.json"
run roles add 柜台 --from 店长
run roles hide 柜台 进价,成本
run users add counter
run users role counter 柜台

# compare CSV XLSX EXPECT: the same cells; EXPECT names the type of chosen cells, "B2=str"...
compare() {
    $PY - "$@" <<'PYEOF'
import csv, datetime, sys, openpyxl
rows = list(csv.reader(open(sys.argv[1], encoding="utf-8-sig", newline="")))
ws = openpyxl.load_workbook(sys.argv[2]).active
bad = []
if ws.max_row != len(rows) or ws.max_column != len(rows[0]):
    bad.append(f"size {ws.max_row}x{ws.max_column} against {len(rows)}x{len(rows[0])}")
for r, row in enumerate(rows, 1):
    for c, text in enumerate(row, 1):
        cell = ws.cell(r, c)
        v = cell.value
        if isinstance(v, datetime.datetime):
            shown = v.strftime("%Y-%m-%d")
        elif isinstance(v, (int, float)):
            places = cell.number_format.split(".")[1].count("0") if "." in cell.number_format else 0
            shown = f"{v:.{places}f}"
        else:
            shown = "" if v is None else v
        if shown != text:
            bad.append(f"{cell.coordinate}: {v!r} ({cell.number_format}) against {text!r}")
if not all(ws.cell(1, c).font.b for c in range(1, ws.max_column + 1)):
    bad.append("header not bold")
types = {"str": str, "int": int, "float": float, "date": datetime.datetime, "none": type(None)}
for want in sys.argv[3:]:
    ref, name = want.split("=")
    if type(ws[ref].value) is not types[name]:
        bad.append(f"{ref}: {ws[ref].value!r} is not {name}")
print("; ".join(bad))
PYEOF
}
sheet() { # sheet USER NAME ARGS...: the listing as CSV and as xlsx, then compare EXPECT...
    local user=$1 name=$2; shift 2
    as "$user" --format csv "$@"
    printf '%s\n' "$OUT" >"$WORK/$name.csv"
    as "$user" --format xlsx --output "$WORK/$name.xlsx" "$@"
    check "$name as xlsx" [ "$RC:$OUT:$ERR" = "0::" ]
}
# The stock as the counter sees it: 3 × 7.3131 and 2 × 6.1717 with 进价 and 成本 hidden.
sheet counter stock stock
check "stock: the CSV's cells, typed" [ "$(compare "$WORK/stock.csv" "$WORK/stock.xlsx" \
    B2=str C2=str D2=int D3=int E2=str H2=str I2=str)" = "" ]
check "stock: *** and the name as the CSV has them" [ "$(sed -n 2p "$WORK/stock.csv" | tr -d '\r' |
    cut -d, -f1-5,7-)" = "一号仓库,0012,蓝色圆珠笔芯六支装,3,***,,***,***,3支" ]
sheet admin goods goods list
check "goods: the CSV's cells, typed" [ "$(compare "$WORK/goods.csv" "$WORK/goods.xlsx" \
    B2=str N2=float Q2=float Q3=float R2=str C3=str)" = "" ]
sheet admin bills bills purchase --from 2026-11-01 --to 2026-11-30
check "bills: dates as dates, 34.28 a number" [ "$(compare "$WORK/bills.csv" "$WORK/bills.xlsx" \
    B2=date G2=int H2=float H3=float A3=str)" = "" ]
# Column C fits 蓝色圆珠笔芯六支装 (9 wide characters: 18) and a margin of 2: 20 (stored with
# the sheet's padding of 0.7109375).
check "goods: the width fits the Chinese name" [ "$($PY -c 'import openpyxl, sys
print(openpyxl.load_workbook(sys.argv[1]).active.column_dimensions["C"].width)' "$WORK/goods.xlsx")" = 20.7109375 ]

# A workbook needs a file; a file is only for a workbook.
run --format xlsx stock
check "xlsx without --output" [ "$RC:$ERR" = "2:--format xlsx needs --output FILE" ]
run --format csv --output "$WORK/x.csv" stock
check "--output without xlsx" [ "$RC:$ERR" = "2:--output is for --format xlsx" ]
run --format xlsx --output "$WORK/no/such/dir/s.xlsx" stock
check "an unwritable file: a message, exit 4, nothing left" \
    [ "$RC" = 4 -a -n "$ERR" -a ! -e "$WORK/no/such/dir/s.xlsx" ]

# Labels: 20 of 0012 (a valid EAN-13: its code shows once a label) and 5 of G2 (no barcode: Code 128
# of G2, whose digits show the code a second time), each with its price. 40×30 mm
# fit 5 × 9 = 45 on an A4 page less 5 mm all round: one page; 70×40 mm fit 2 × 7 = 14: two pages;
# --roll: a 40×30 mm page each.
pages() { pdfinfo "$1" 2>/dev/null | sed -n 's/^Pages: *//p'; }
named() { pdftotext "$1" - | grep -cxF -- "$2"; }
counts() { echo "$(named "$1" 0012):$(named "$1" G2):$(named "$1" '￥9.50'):$(named "$1" '￥')"; }
if command -v pdfinfo >/dev/null && command -v pdftotext >/dev/null; then
    run labels 0012:20 G2:5 --pdf "$WORK/a4.pdf"
    check "labels on A4" [ "$RC:$OUT:$(pages "$WORK/a4.pdf")" = "0:$WORK/a4.pdf:1" ]
    check "20 and 5 labels, 0012 at 9.50, G2 without a price" [ "$(counts "$WORK/a4.pdf")" = 20:10:20:0 ]
    run labels 0012:20 G2:5 --size 70x40 --pdf "$WORK/big.pdf"
    check "70x40: two pages" [ "$RC:$(pages "$WORK/big.pdf")" = 0:2 ]
    check "70x40: 25 labels" [ "$(counts "$WORK/big.pdf")" = 20:10:20:0 ]
    run labels 0012:20 G2:5 --roll --pdf "$WORK/roll.pdf"
    check "--roll: a page per label" [ "$RC:$(pages "$WORK/roll.pdf"):$(counts "$WORK/roll.pdf")" = 0:25:20:10:20:0 ]
    check "--roll: 40x30 mm pages (113 x 85 pt)" grep -q '^Page size: *113.* x 85' <<<"$(pdfinfo "$WORK/roll.pdf")"
    run roles hide 柜台 进价,成本,售价
    as counter labels 0012 --pdf "$WORK/hidden.pdf"
    check "a hidden retail price shows ***" [ "$RC:$(named "$WORK/hidden.pdf" '￥***'):$(named "$WORK/hidden.pdf" '￥9.50')" = 0:1:0 ]
else
    echo "note: pdfinfo/pdftotext (poppler-utils) missing, the label pages are not counted"
fi
run labels 0012 NOPE:2 --pdf "$WORK/none.pdf"
check "an unknown code: its message, nothing written" \
    [ "$RC:$ERR:$(ls "$WORK" | grep -c none.pdf)" = "1:没有商品编码为“NOPE”的商品！:0" ]
run labels 0012:0 --pdf "$WORK/none.pdf"
check "a count of 0" [ "$RC" = 2 ]
run labels 0012 --size 300x30 --pdf "$WORK/none.pdf"
check "a label wider than A4" [ "$RC" = 2 ]
run users add clerk
run users role clerk 营业员
as clerk labels 0012 --pdf "$WORK/none.pdf"
check "营业员 may not print labels" [ "$RC:$ERR:$(ls "$WORK" | grep -c none.pdf)" = "5:您没有“商品管理”的“打印”权限！:0" ]

finish
