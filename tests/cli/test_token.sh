#!/usr/bin/env bash
# ferix-cli post, reverse and count --token: a script retrying an action under the token it used
# never stores it twice; a try that failed prints its token on stderr for that retry.
source "$(dirname "$0")/lib.sh" "$@"
command -v sqlite3 >/dev/null || { echo "SKIP: the sqlite3 program is not installed"; exit 77; }

fresh token
shop
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\nG1,Pen,电子,支,1.5\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "goods imported" [ "$RC" = 0 ]
bill() { # bill NUMBER QUANTITY: a purchase file of Pens
    printf '{"number": "%s", "date": "2026-12-01", "customer": "华东电子", "department": "采购部", "warehouse": "一号仓库", "employee": "张三", "account": "工商银行", "paid": "0", "lines": [{"code": "G1", "quantity": "%s", "price": "2"}]}' "$1" "$2" >"$WORK/$1.json"
}
stock() { run stock --warehouse 一号仓库; tail -n +2 <<<"$OUT" | cut -f4; }
rows() { sqlite3 Data/main_data.tdb "$1"; }

token=0123456789abcdef0123456789abcdef
bill JH-1 10
run post purchase "$WORK/JH-1.json" --token $token
check "posted under the script's token" [ "$RC:$OUT:$ERR" = "0:JH-1:" ]
run post purchase "$WORK/JH-1.json" --token $token
check "the retry is told the bill is stored" [ "$RC:$OUT:$ERR" = "0:JH-1:单据“JH-1”已经保存，没有再次保存。" ]
check "the Pens came in once" [ "$(stock)" = 10 ]
check "one bill, one token row" [ "$(rows "select count(*) from EnterStock; select Token, Kind, Bill_ID from WriteToken")" = "$(printf '1\n%s|purchase|JH-1' $token)" ]

run reverse purchase JH-1 --token fedcba9876543210fedcba9876543210
check "reversed" [ "$RC:$OUT:$ERR" = "0:JH-1-H:" ]
run reverse purchase JH-1 --token fedcba9876543210fedcba9876543210
check "the reversal retried is told stored, not refused" [ "$RC:$OUT:$ERR" = "0:JH-1-H:单据“JH-1-H”已经保存，没有再次保存。" ]
check "the Pens went out once" [ "$(stock)" = 0 ]

bill JH-2 8
run post purchase "$WORK/JH-2.json"
printf 'code,counted\nG1,5\n' >"$WORK/count.csv"
run count 一号仓库 "$WORK/count.csv" --token 11112222333344445555666677778888
loss=$OUT
check "counted: one loss bill" [ "$RC:$ERR" = "0:" ]
run count 一号仓库 "$WORK/count.csv" --token 11112222333344445555666677778888
check "the count retried posts nothing more" [ "$RC:$OUT:$ERR" = "0:$loss:单据“$loss”已经保存，没有再次保存。" ]
check "counted 5 once" [ "$(stock)" = 5 ]

# Another program holds the write lock through the busy time-out: the posting fails and tells
# its token; the retry under it, once the lock is gone, posts the bill once.
mkfifo "$WORK/in" "$WORK/out"
sqlite3 Data/main_data.tdb <"$WORK/in" >"$WORK/out" &
holder=$!
exec 3>"$WORK/in" 4<"$WORK/out"
echo "BEGIN IMMEDIATE; select 'held';" >&3
read -r -u 4 held
check "the other program holds the lock" [ "$held" = held ]
bill JH-3 4
run post purchase "$WORK/JH-3.json"
check "the posting failed" [ "$RC" = 1 ]
told=$(sed -n 's/^写入令牌：\([0-9a-f]\{32\}\)（重试同一操作时加 --token \1，已保存的单据不会再次保存）$/\1/p' <<<"$ERR")
check "its token is told on stderr" [ ${#told} = 32 ]
echo "ROLLBACK;" >&3
exec 3>&- 4<&-
wait $holder
run post purchase "$WORK/JH-3.json" --token "$told"
check "the retry posts" [ "$RC:$OUT:$ERR" = "0:JH-3:" ]
run post purchase "$WORK/JH-3.json" --token "$told"
check "and never again" [ "$RC:$OUT" = "0:JH-3" ]
check "4 Pens came in once" [ "$(stock)" = 9 ]

# A sale of the last units whose answer the script never saw, retried under its token: it is
# told the sale is stored, not that the stock is short.
sale=99990000aaaabbbbccccddddeeeeffff
bill XS-1 9
run post sale "$WORK/XS-1.json" --token $sale
check "the last 9 Pens sold" [ "$RC:$OUT:$ERR:$(stock)" = "0:XS-1::0" ]
run post sale "$WORK/XS-1.json" --token $sale
check "the retry is told stored before the stock is checked" [ "$RC:$OUT:$ERR" = "0:XS-1:单据“XS-1”已经保存，没有再次保存。" ]

# The sale's token given to another action: refused, nothing stored.
tables() { rows "select (select count(*) from EnterStock), (select count(*) from EnterSale), (select count(*) from BaoSunDan) + (select count(*) from BaoYiDan), (select count(*) from WriteToken)"; }
before=$(tables)
refused="写入令牌已用于另一项操作（单据“XS-1”），没有保存。"
bill JH-4 2
run post purchase "$WORK/JH-4.json" --token $sale
check "a purchase under the sale's token is refused" [ "$RC:$OUT:$ERR" = "1::$refused" ]
run count 一号仓库 "$WORK/count.csv" --token $sale
check "so is a count" [ "$RC:$OUT:$ERR" = "1::$refused" ]
run reverse sale XS-1 --token $sale
check "and the sale's own reversal" [ "$RC:$OUT:$ERR" = "1::$refused" ]
check "nothing was stored" [ "$(tables):$(stock)" = "$before:0" ]

run post purchase "$WORK/JH-3.json" --token 0123
check "a token that is not 32 lower-case hex digits is wrong usage" [ "$RC" = 2 ]
run reverse purchase JH-3 --token ABCDEF0123456789ABCDEF0123456789
check "upper case is wrong usage too" [ "$RC" = 2 ]
finish
