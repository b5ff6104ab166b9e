#!/usr/bin/env bash
# Damaged files: a configuration file cut in half, data files that are no database. Every
# command says what is wrong, nothing crashes and no file is changed.
source "$(dirname "$0")/lib.sh" "$@"

fresh bad
run config add unit 个 --note 单个
run config add unit 箱
run departments add 采购部
run employees add --department 采购部 --name 张三
run classes add 电子
printf 'Code,ProductName,ClassName,Unit,PriceIn\r\nG1,Pen,电子,个,2\r\n' >"$WORK/goods.csv"
run goods import "$WORK/goods.csv"
check "set-up" [ "$RC" = 0 ]
printf '{"customer": "c", "department": "采购部", "warehouse": "一号仓库", "employee": "张三", "account": "现金", "lines": [{"code": "G1", "quantity": "2"}]}' >"$WORK/bill.json"
cp -a "$WORK/bad" "$WORK/good"

# ---- the configuration file cut in half
config=Data/ferix_config.data
size=$(stat -c %s $config)
head -c $((size / 2)) "$WORK/good/$config" >$config
cut=$(md5sum <$config)
for args in "config list unit" "config add unit 千克" "config remove unit 个" "departments list" \
    "employees list" "employees add --department 采购部 --name 李四" "departments remove 采购部"; do
    run $args
    check "$args: refused as unreadable" [ "$RC" = 4 ]
    check "$args: says the file is damaged" grep -q "ferix_config.data 已损坏" <<<"$ERR"
    check "$args: file left as it was" [ "$(md5sum <$config)" = "$cut" ]
done
# Everything that does not need the lists goes on working.
run goods list
check "goods listed beside a damaged configuration file" [ "$RC" = 0 ]
check "goods listed beside a damaged configuration file" grep -q "^[0-9]*	G1	Pen" <<<"$OUT"
cp "$WORK/good/$config" $config

# ---- print templates with unbalanced markers, cut short, or not text at all: the page is
# written from what the template holds, the template itself stays as it was
template=Templates/temp_kucun_view.html
cp $template "$WORK/template.html"
size=$(stat -c %s $template)
for kind in no-end no-start two-starts cut garbage; do
    case $kind in
        no-end) sed '/{Data:end}/d' "$WORK/template.html" >$template ;;
        no-start) sed '/{Data:start}/d' "$WORK/template.html" >$template ;;
        two-starts) sed 's/{Data:end}/{Data:end}{Data:start}[Data:id/' "$WORK/template.html" >$template ;;
        cut) head -c $((size * 2 / 3)) "$WORK/template.html" >$template ;;
        garbage) head -c 3000 /dev/urandom >$template; printf '{Data:start}[Data:id' >>$template ;;
    esac
    before=$(md5sum <$template)
    rm -f PrintView/temp_kucun_view.html
    run print-stock
    check "$kind template: a page is written" [ "$RC" = 0 -a -s PrintView/temp_kucun_view.html ]
    check "$kind template: the template is left as it was" [ "$(md5sum <$template)" = "$before" ]
done
rm $template
run print-stock
check "no template: refused" [ "$RC" = 1 ]
check "no template: says which file is missing" grep -q "找不到打印模板文件" <<<"$ERR"
cp "$WORK/template.html" $template

# ---- data files that are no database: text, empty, zeros, the first 100 bytes of one
for kind in text empty zeros head; do
    for file in main_data.tdb other_data.tdb; do
        rm -rf "$WORK/bad" && cp -a "$WORK/good" "$WORK/bad" && cd "$WORK/bad"
        case $kind in
            text) echo "this is a text file, not a database" >Data/$file ;;
            empty) : >Data/$file ;;
            zeros) head -c 8192 /dev/zero >Data/$file ;;
            head) head -c 100 "$WORK/good/Data/$file" >Data/$file ;;
        esac
        damaged=$(md5sum <Data/$file)
        if [ $file = main_data.tdb ]; then
            commands=("goods list" "stock" "post purchase $WORK/bill.json" "classes add 新类")
        else
            commands=("log" "goods list" "users add 新人")
        fi
        for args in "${commands[@]}"; do
            run $args
            check "$kind $file, $args: refused as unopenable" [ "$RC" = 4 ]
            check "$kind $file, $args: says the file cannot be opened" grep -q "连接数据库失败" <<<"$ERR"
        done
        if [ $file = main_data.tdb ]; then
            run backup
            check "$kind $file, backup refused" [ "$RC" = 1 ]
            check "$kind $file, no backup made of it" [ -z "$(ls Backup)" ]
        fi
        check "$kind $file: the damaged file is left as it was" [ "$(md5sum <Data/$file)" = "$damaged" ]
        check "$kind $file: no journal left" [ ! -e Data/$file-journal ]
    done
done
finish
