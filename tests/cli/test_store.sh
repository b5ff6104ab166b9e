#!/usr/bin/env bash
# ferix-cli: master data, stock and bills, run in a fresh program folder.
set -u
cli=$(realpath "$1")
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
export FERIX_USER=admin FERIX_PASSWORD=
failures=0

# run EXPECTED_EXIT ARGS...: runs ferix-cli, keeps stdout in out.txt and stderr in err.txt.
run() {
    local expected=$1
    shift
    "$cli" "$@" >out.txt 2>err.txt
    local rc=$?
    if [ "$rc" != "$expected" ]; then
        echo "FAIL: ferix-cli $* exited $rc, expected $expected"
        sed 's/^/  stderr: /' err.txt
        failures=$((failures + 1))
    fi
}
# expect_in FILE TEXT: the file holds the text (fixed string).
expect_in() {
    if ! grep -qF -- "$2" "$1"; then
        echo "FAIL: $1 lacks: $2"
        sed 's/^/  /' "$1"
        failures=$((failures + 1))
    fi
}
expect_eq() {
    if [ "$1" != "$2" ]; then
        echo "FAIL: got [$1], expected [$2]"
        failures=$((failures + 1))
    fi
}

run 0 init

# ---- classes
run 0 classes add 电子
run 0 classes add 手机 --parent 电子
run 1 classes add 电子
expect_eq "$(cat err.txt)" "商品分类“电子”已经存在，请换一个名称！"
run 1 classes add 平板 --parent 没有
expect_in err.txt "上级分类“没有”不存在！"
run 1 classes add ""
expect_in err.txt "请正确填写类名！"
run 0 classes add "类_%"
run 1 classes delete "类%"
expect_in err.txt "没有名为“类%”的商品类别！"
run 0 classes delete "类_%"
run 0 classes list
expect_eq "$(cat out.txt)" "$(printf 'id\tparent_name\tclass_name\n1\t\t电子\n2\t电子\t手机')"

# ---- goods import: all rows or none
printf 'Code,ProductName,ClassName,Unit,PriceIn,Note\r\nG1,"Pen, blue",电子,支,19.99,"a ""quoted"" note"\r\nG2,Ink,手机,瓶,3,\r\n' >goods.csv
run 0 goods import goods.csv
printf 'Code,ProductName,ClassName\nG3,Paper,电子\nG4,,电子\n' >bad.csv
run 1 goods import bad.csv
expect_in err.txt "第3行：商品名称不能为空！"
printf 'Code,ProductName,ClassName\nG1,Again,电子\n' >dup.csv
run 1 goods import dup.csv
expect_eq "$(cat err.txt)" "第2行：商品编码“G1”已经存在，请换一个编码！"
printf 'Code,ProductName,ClassName\nG7,Paper,电子\nG8,Ink,电子\nG7,Again,电子\n' >dup.csv
run 1 goods import dup.csv
expect_eq "$(cat err.txt)" "第4行：商品编码“G7”与第2行重复，请换一个编码！"
printf 'Code,Colour\nG5,red\n' >unknown.csv
run 1 goods import unknown.csv
expect_in err.txt "标题行中有未知的列名“Colour”！"
run 1 goods import missing.csv
expect_in err.txt "无法打开文件“missing.csv”！"
run 0 --format csv goods list --class 手机
expect_eq "$(wc -l <out.txt)" "2"
# An empty 助记码 is filled from the name: its letters as they stand, in upper case.
expect_in out.txt "2,G2,Ink,,手机,INK,瓶,"
run 0 goods list
expect_eq "$(wc -l <out.txt)" "3"
expect_in out.txt "Pen, blue"

# ---- customers
printf 'CustomerCode,CustomerName,CustomerType\nS1,华东电子,供应商\nC1,"O\x27Neil",客户\n' >units.csv
run 0 customers import units.csv
run 1 customers import units.csv
expect_eq "$(cat err.txt)" "第2行：单位编码“S1”已经存在，请换一个编码！"
run 0 customers list --type 客户
expect_in out.txt "C1	O'Neil"
expect_eq "$(wc -l <out.txt)" "2"
run 1 customers delete "C%"
expect_in err.txt "没有单位编码为“C%”的往来单位！"
run 0 customers delete C1

# ---- post a purchase
run 0 config add warehouse 一号仓库
cat >purchase.json <<'JSON'
{"number": "JH-1", "date": "2026-12-01",
 "customer": "华东电子", "department": "采购部", "warehouse": "一号仓库",
 "employee": "张三", "introduction": "first", "account": "工商银行", "paid": "100.00",
 "lines": [{"code": "G1", "quantity": "3"},
           {"code": "G2", "quantity": "1000000", "price": "123456.78", "note": "big"}]}
JSON
run 0 post purchase purchase.json
expect_eq "$(cat out.txt)" "JH-1"
run 1 post purchase purchase.json
expect_in err.txt "单据编号“JH-1”已经存在，请修改编号后再保存！"
run 0 stock --warehouse 一号仓库 --class 电子
expect_eq "$(tail -n +2 out.txt | cut -f1-5)" "$(printf '一号仓库\tG1\tPen, blue\t3\t19.99')"
run 0 bills purchase --from 2026-12-01 --to 2026-12-01
expect_in out.txt "$(printf 'JH-1\t2026-12-01\t华东电子\t采购部\t张三\t一号仓库\t1000003\t123456780059.97\t工商银行\t100.00\tfirst')"
expect_in out.txt "$(printf '统计汇总\t\t\t\t\t\t1000003\t123456780059.97')"
run 0 bills purchase --from 2026-12-02 --to 2026-12-31
expect_eq "$(tail -n +2 out.txt | cut -f1,7,8)" "$(printf '统计汇总\t0\t0.00')"
run 0 --format json bill purchase JH-1
expect_in out.txt '"Product_Total": "59.97"'
expect_in out.txt '"Product_Note": "big"'
run 1 bill purchase JH-%
expect_in err.txt "没有编号为“JH-%”的单据！"

# ---- a sale the stock cannot cover is refused with the window's message and exit 1
cat >sale.json <<'JSON'
{"customer": "华东电子", "department": "销售部", "warehouse": "一号仓库",
 "employee": "李四", "account": "工商银行",
 "lines": [{"code": "G1", "quantity": "2", "price": "25"},
           {"code": "G1", "quantity": "2", "price": "25"}]}
JSON
run 1 post sale sale.json
expect_eq "$(cat err.txt)" "$(printf '库存不足！\n商品（Pen, blue）在仓库（一号仓库）的库存为：3')"
expect_eq "$(cat out.txt)" ""
sed -i 's/"quantity": "2", "price": "25"}]/"quantity": "1", "price": "25"}]/' sale.json
run 0 post sale sale.json
run 0 stock --warehouse 一号仓库
expect_in out.txt "$(printf '一号仓库\tG1\tPen, blue\t0\t19.99')"

# ---- other refusals: validation, unknown goods, malformed file, usage
printf '{"department": "d", "warehouse": "w", "lines": [{"code": "G1", "quantity": "1"}]}' >loss.json
run 1 post loss loss.json
expect_eq "$(cat err.txt)" "请输入 经手人名称！"
printf '{"lines": [{"code": "NOPE", "quantity": "1"}]}' >unknown.json
run 1 post purchase unknown.json
expect_eq "$(cat err.txt)" "商品编码“NOPE”不在商品列表中！"
printf '{"lines": [' >broken.json
run 1 post purchase broken.json
expect_in err.txt "JSON 格式错误"
printf '{"customer": "华东电子", "department": "d", "warehouse": "一号仓库", "employee": "e", "account": "a", "lines": []}' >empty.json
run 1 post purchase empty.json
expect_eq "$(cat err.txt)" "请录入所要进货的货物！"
printf '{"department": "d", "warehouse": "w", "employee": "e", "lines": [{"code": "G2", "price": "4"}]}' >price.json
run 1 post price price.json
expect_in err.txt "商品（Ink）在仓库（w）中没有库存，不能调价。不能完成当前操作！"
expect_in err.txt "调价单操作失败（库存表）！"
run 1 post purchase .
expect_eq "$(cat err.txt)" "无法打开文件“.”！"
run 2 post refund purchase.json
run 2 bills refund --from 2026-12-01 --to 2026-12-31
run 2 bills purchase --from 2026-12-1 --to 2026-12-31
run 2 post purchase

# ---- a goods item that ever entered the stock cannot be deleted
run 1 goods delete G1
expect_in err.txt "此商品正在使用中，不能删除！"
run 0 goods import <(printf 'Code,ProductName,ClassName\nG%%,Percent,电子\n')
run 0 goods delete G%
run 1 goods delete G%
expect_in err.txt "没有商品编码为“G%”的商品！"

# ---- goods and business units are changed by code; a unit a bill names keeps its name
run 0 goods update G2 --ProductName "Ink, black" --RetailPrice 4.5
run 0 --format csv goods list --class 手机
expect_in out.txt '2,G2,"Ink, black",,手机,INK,瓶,,,,,,,4.5,,,3,'
run 1 goods update G2 --PriceIn -2
expect_eq "$(cat err.txt)" "预设进价“-2”不是有效的价格！"
run 1 goods update G404 --Note x
expect_eq "$(cat err.txt)" "没有商品编码为“G404”的商品！"
run 2 goods update G2 --Code G9
run 2 goods update G2 --Colour red
run 2 goods update G2
run 0 customers update S1 --CustomerTel 021-5888 --CustomerNote 月结
run 0 customers list
expect_in out.txt "$(printf 'S1\t华东电子\t\t\t021-5888\t')"
run 1 customers update S1 --CustomerName 华东新电子
expect_eq "$(cat err.txt)" "往来单位“华东电子”已有单据，不能修改单位名称！"
run 1 customers update C404 --CustomerTel 1
expect_eq "$(cat err.txt)" "没有单位编码为“C404”的往来单位！"
run 2 customers update S1 --CustomerCode S2

# ---- the log holds one entry per posted line
run 0 log
expect_eq "$(grep -c '进货操作' out.txt)" "2"
expect_eq "$(grep -c '销售操作' out.txt)" "2"

# ---- a bill list that cannot be read is a data failure, as for the reports
sqlite3 Data/main_data.tdb "alter table EnterStock rename to EnterStock_moved"
run 4 bills purchase --from 2026-12-01 --to 2026-12-31
expect_in err.txt "no such table: EnterStock"
expect_eq "$(cat out.txt)" ""
sqlite3 Data/main_data.tdb "alter table EnterStock_moved rename to EnterStock"
run 0 bills purchase --from 2026-12-01 --to 2026-12-31
# and so are the lines of one bill: not "no such bill"
sqlite3 Data/main_data.tdb "alter table EnterStock_Detail rename to EnterStock_Detail_moved"
run 4 bill purchase JH-1
expect_in err.txt "no such table: EnterStock_Detail"
expect_eq "$(cat out.txt)" ""
sqlite3 Data/main_data.tdb "alter table EnterStock_Detail_moved rename to EnterStock_Detail"
sqlite3 Data/main_data.tdb "alter table BaoSunDan rename to BaoSunDan_moved"
run 4 bill loss BS-1
expect_in err.txt "no such table: BaoSunDan"
sqlite3 Data/main_data.tdb "alter table BaoSunDan_moved rename to BaoSunDan"
run 0 bill purchase JH-1

# ---- no program folder here
mkdir empty && cd empty
run 4 goods list
cd ..

if [ "$failures" != 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "all passed"
