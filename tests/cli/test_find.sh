#!/usr/bin/env bash
# ferix-cli goods find / customers find: the rows of goods list / customers list that the typed
# text finds by code, name, 助记码 or barcode (units: code, name, contact, telephones), ASCII
# case ignored, every character plain; an empty 助记码 is filled from the name on import.
source "$(dirname "$0")/lib.sh" "$@"

fresh find
run classes add 电子
printf 'Code,ProductName,ClassName,SmartName,BarCode\nG1,键盘鼠标,电子,,6901234567892\nG2,金盘,电子,jp,\nG_3,100%%棉,电子,,\nG4,Pen,电子,PEN,4006381333931\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "goods imported" [ "$RC" = 0 ]
codes() { tail -n +2 <<<"$OUT" | cut -f2 | tr '\n' ' '; }

run goods find jp
check "jp: the filled 助记码 JPSB and the typed jp" [ "$RC:$(codes)" = "0:G1 G2 " ]
check "header as goods list" [ "$(head -1 <<<"$OUT" | cut -f1-6)" = "$(printf 'Id\tCode\tProductName\tClassId\tClassName\tSmartName')" ]
check "the filled 助记码 is listed" [ "$(sed -n 2p <<<"$OUT" | cut -f6)" = JPSB ]
run goods list
header=$(head -1 <<<"$OUT")
all=$(grep -F G4 <<<"$OUT")
run goods find 6901
check "part of a barcode" [ "$(codes)" = "G1 " ]
run goods find " pEn "
check "the whole row of goods list, blanks and case ignored" [ "$(tail -n +2 <<<"$OUT")" = "$all" ]
run goods find %
check "% is plain" [ "$(codes)" = "G_3 " ]
run goods find _
check "_ is plain" [ "$(codes)" = "G_3 " ]
run goods find 没有
check "nothing found: the header only, exit 0" [ "$RC:$OUT" = "0:$header" ]
run --format json goods find 鼠标
check "json" grep -q '"Code": *"G1"' <<<"$OUT"
run goods find
check "TEXT missing is a usage error" [ "$RC" = 2 ]

printf 'CustomerCode,CustomerName,CustomerContact,CustomerMobile,CustomerTel,CustomerAddr,CustomerType\nS1,华东电子,Wang,13800001111,021-5555,上海,供应商\nC1,Li_Shop,Li,,010-1234,北京,客户\n' >"$WORK/units.csv"
run customers import "$WORK/units.csv"
check "units imported" [ "$RC" = 0 ]
run customers find wang
check "by contact" [ "$(codes)" = "S1 " ]
run customers find 0001111
check "by mobile" [ "$(codes)" = "S1 " ]
run customers find 010-
check "by telephone" [ "$(codes)" = "C1 " ]
run customers find 上海
check "the address is not searched" [ "$RC:$(codes)" = "0:" ]
run customers find _
check "_ is plain" [ "$(codes)" = "C1 " ]
run customers find " s1"
check "header as customers list" [ "$(head -1 <<<"$OUT" | cut -f1-3)" = "$(printf 'Id\tCustomerCode\tCustomerName')" ]
finish
