# report and print-stock: statistics and the stock printout from the shell.
. "$(dirname "$0")/lib.sh"

fresh q
shop
sqlite3 Data/main_data.tdb <<'SQL'
insert into ferix_product(Code, ProductName, ClassName) values
  ('G1', '可乐', '饮料'), ('G2', '雪碧<大>', '饮料'), ('S1', '薯片', '零食');
insert into StockPile(StoreHouse, ProductCode, ProductName, FirstEnterTime, Number, Price) values
  ('一号仓库', 'G1', '可乐', '26-12-01', '5', '2.50'),
  ('二号仓库', 'G2', '雪碧<大>', '26-12-02', '7', '3.00'),
  ('一号仓库', 'S1', '薯片', '26-12-03', '9', '4.00');
insert into EnterStock_Detail(Bill_ID, Bill_Date, Employee, Department, Product_ID, Product_Name,
  Product_Number, Product_Unit, Product_Price) values
  ('JH-1', '2026-12-01', '王五', '采购部', 'G2', '雪碧', '3', '瓶', '2.00'),
  ('JH-1', '2026-12-01', '李四', '采购部', 'G1', '可乐', '2', '瓶', '1.50'),
  ('JH-2', '2026-12-07', '王五', '仓储部', 'G2', '雪碧新', '4', '箱', '9.00'),
  ('JH-3', '2026-12-08', '王五', '仓储部', 'G2', '雪碧', '100', '瓶', '9.00');
insert into EnterSale_Detail(Bill_ID, Bill_Date, Employee, Department, Product_ID, Product_Name,
  Product_Number) values ('XS-1', '2026-12-02', '张三', '销售部', 'S1', '薯片', '6');
SQL

run report purchase-goods --from 2026-12-01 --to 2026-12-07
check "goods report: key order, first line's fields, sums, total last" [ "$OUT" = "$(printf 'Product_ID\tProduct_Name\tProduct_Unit\tProduct_Date\tQuantity\tProduct_Price\tProduct_BarCode\tProduct_Note\nG1\t可乐\t瓶\t\t2\t1.50\t\t\nG2\t雪碧\t瓶\t\t7\t2.00\t\t\n统计汇总\t\t\t\t9\t\t\t')" ]
run report purchase-department --from 2026-12-01 --to 2026-12-08
check "department report in pinyin order" [ "$OUT" = "$(printf 'Key\tQuantity\n采购部\t5\n仓储部\t104\n统计汇总\t109')" ]
run report sale-employee --from 2026-12-01 --to 2026-12-31
check "sale report reads the sale lines" [ "$OUT" = "$(printf 'Key\tQuantity\n张三\t6\n统计汇总\t6')" ]
OUT=$("$CLI" --user admin --password '' --format csv report purchase-employee --from 2026-12-01 --to 2026-12-01 2>/dev/null | tr -d '\r')
check "csv report" [ "$OUT" = "$(printf 'Key,Quantity\n李四,2\n王五,3\n统计汇总,5')" ]

run report purchase-goods --from 2026-12-01
check "missing --to is wrong usage" [ "$RC" -eq 2 ]
# A range that ends before it starts is refused, not read as an empty one, by every dated command.
for cmd in "report purchase-goods" "report profit-goods" "bills purchase" "bills transfer" \
    "statement 某单位"; do
    run $cmd --from 2026-12-08 --to 2026-12-07
    check "$cmd: dates in order" [ "$RC" -eq 2 -a "$ERR" = "开始日期不能晚于结束日期！" ]
done
run bills sale --from 2026-12-07 --to 2026-12-07
check "a one-day range is a range" [ "$RC" -eq 0 ]
run report purchase-goods --from 2026-12-01 --to 12/07/2026
check "a date that is not yyyy-MM-dd is wrong usage" [ "$RC" -eq 2 ]
check "the date is named" sh -c "echo \"\$0\" | grep -q '12/07/2026'" "$ERR"
run report purchase-goods --from 2026-02-30 --to 2026-12-07
check "no such day is wrong usage" [ "$RC" -eq 2 ]
run report purchase --from 2026-12-01 --to 2026-12-07
check "unknown report kind is wrong usage" [ "$RC" -eq 2 ]

run print-stock
check "print-stock prints the page's path" [ "$RC" -eq 0 -a "$OUT" = "$PWD/PrintView/temp_kucun_view.html" ]
PAGE=$(cat PrintView/temp_kucun_view.html)
check "all rows, last goods item first, escaped" sh -c 'echo "$0" | tr -d "\r" | grep -o "<td>[GS][0-9]</td><td>[^<]*</td>" | tr "\n" " " | grep -qx "<td>S1</td><td>薯片</td> <td>G2</td><td>雪碧&lt;大&gt;</td> <td>G1</td><td>可乐</td> "' "$PAGE"
check "document markers filled" sh -c 'echo "$0" | grep -q "仓库：全部</td><td>类别：所有商品"' "$PAGE"
run print-stock --warehouse 一号仓库 --class 饮料
check "one class in one warehouse" sh -c 'grep -c "<td>G" PrintView/temp_kucun_view.html | grep -qx 1 && grep -q "仓库：一号仓库</td><td>类别：饮料" PrintView/temp_kucun_view.html'
run print-stock --shelf 1
check "unknown option is wrong usage" [ "$RC" -eq 2 ]

rm Templates/temp_kucun_view.html
run print-stock
check "missing template: exit 1 with its message" [ "$RC" -eq 1 ]
check "missing template message" sh -c 'echo "$0" | grep -q "^找不到打印模板文件："' "$ERR"
rm -rf PrintView
printf '<meta charset="gb2312">\xb2\xd6{temp:Warehouse}\n' > Templates/temp_kucun_view.html
run print-stock --warehouse 一号仓库
check "GBK template: PrintView made again, page written in GBK" sh -c '[ "$(iconv -f gbk -t utf-8 PrintView/temp_kucun_view.html | tr -d "\r")" = "<meta charset=\"gb2312\">仓一号仓库" ]'

# Through the normal posting path: goods imported, bills posted, then the queries.
fresh posted
shop
for w in 仓1 仓2; do run config add warehouse "$w"; done
run classes add 文具 && run classes add 配件
printf 'Code,ProductName,ClassName,Unit,PriceIn\nP1,笔,文具,支,2.50\nP10,笔帽,配件,个,0.10\n' >goods.csv
run goods import goods.csv
check "goods imported" [ "$RC" -eq 0 ]
for n in 1 2; do
cat >bill$n.json <<JSON
{"number": "JH-$n", "date": "2026-12-0$n", "customer": "华东", "department": "采购部",
 "warehouse": "仓$n", "employee": "张三", "account": "现金", "paid": "0",
 "lines": [{"code": "P1", "quantity": "$((n * 3))"}, {"code": "P10", "quantity": "5", "price": "0.2"}]}
JSON
run post purchase bill$n.json
check "bill $n posted" [ "$RC" -eq 0 -a "$OUT" = "JH-$n" ]
done
run report purchase-goods --from 2026-12-01 --to 2026-12-02
check "report over posted lines" [ "$OUT" = "$(printf 'Product_ID\tProduct_Name\tProduct_Unit\tProduct_Date\tQuantity\tProduct_Price\tProduct_BarCode\tProduct_Note\nP1\t笔\t支\t\t9\t2.50\t\t\nP10\t笔帽\t个\t\t10\t0.2\t\t\n统计汇总\t\t\t\t19\t\t\t')" ]
run print-stock --class 文具
ROWS=$(tr -d '\r' <PrintView/temp_kucun_view.html | grep -o '<td>P1[^/]*</td><td>[^<]*</td><td class="num">[0-9]*</td>.*仓[12]' | sed 's/<td>[0-9][0-9]-[0-9][0-9]-[0-9][0-9]<\/td>/<td>DATE<\/td>/' | tr '\n' '|')
check "printout of the posted stock of one class, last posted row first" [ "$ROWS" = '<td>P1</td><td>笔</td><td class="num">6</td><td class="num">2.50</td><td>DATE</td><td>仓2|<td>P1</td><td>笔</td><td class="num">3</td><td class="num">2.50</td><td>DATE</td><td>仓1|' ]
finish
