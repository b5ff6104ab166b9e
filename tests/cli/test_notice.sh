# ferix-cli notice against a notice service on loopback (a small Python server).
. "$(dirname "$0")/lib.sh"

cat > "$WORK/server.py" <<'PY'
import http.server, sys

NOTICE = ('<?xml version="1.0" encoding="UTF-8"?>\n<config>\n'
          '<item type="title" content="系统通知"/>\n'
          '<item type="content" content="新版本 &amp; 新功能"/>\n'
          '<item type="url" content="http://notice.example/v2"/>\n</config>\n')

class Handler(http.server.BaseHTTPRequestHandler):
    def answer(self, status, body=b"", location=None):
        self.send_response(status)
        if location:
            self.send_header("Location", location)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        prefix, _, rest = self.path[1:].partition("/")
        if not rest.startswith("system/notice.php?type=jxc&version=1.5&machine="):
            return self.answer(404)
        if prefix == "good":
            self.answer(200, NOTICE.encode())
        elif prefix == "noconfig":
            self.answer(200, b"<notice/>")
        elif prefix == "first":
            self.answer(200, b"config but nothing after")
        elif prefix == "rel":
            self.answer(302, location="../../good/" + rest)
        elif prefix == "abs":
            self.answer(301, location="http://127.0.0.1:%d/good/%s" % (self.server.server_port, rest))
        elif prefix == "loop":
            self.answer(302, location="/loop/" + rest)
        else:
            self.answer(404, b"<html>config</html>")

    def log_message(self, *args):
        pass

server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
with open(sys.argv[1], "w") as f:
    f.write(str(server.server_port))
server.serve_forever()
PY
python3 "$WORK/server.py" "$WORK/port" &
SERVER=$!
trap 'kill $SERVER 2>/dev/null; rm -rf "$WORK"' EXIT
for _ in $(seq 100); do [ -s "$WORK/port" ] && break; sleep 0.05; done
HOST="http://127.0.0.1:$(cat "$WORK/port")"

fresh a
rm -rf Temp
run notice --host "$HOST/good"
check "good notice exits 0" [ "$RC" -eq 0 ]
check "good notice prints its three texts" [ "$OUT" = "$(printf 'title\tcontent\turl\n系统通知\t新版本 & 新功能\thttp://notice.example/v2')" ]
check "the copy is kept in a new Temp folder" grep -q '<config>' Temp/tempx.data

OUT=$("$CLI" --user admin --password '' --format json notice --host "$HOST/good/" 2>/dev/null)
check "json output, trailing slash of the host ignored" [ "$OUT" = "$(printf '[\n {"title": "系统通知", "content": "新版本 & 新功能", "url": "http://notice.example/v2"}\n]')" ]

run notice --host "$HOST/rel"
check "relative redirect is followed" [ "$RC" -eq 0 -a "$(echo "$OUT" | sed -n 2p | cut -f1)" = "系统通知" ]
run notice --host "$HOST/abs"
check "absolute redirect is followed" [ "$RC" -eq 0 -a "$(echo "$OUT" | sed -n 2p | cut -f3)" = "http://notice.example/v2" ]

run notice --host "$HOST/missing"
check "404 exits 1 with its text" [ "$RC" -eq 1 -a "$ERR" = "没有找到网页 [Not Found]" -a -z "$OUT" ]
run notice --host "$HOST/loop"
check "redirect loop fails" [ "$RC" -eq 1 -a "$ERR" = "Error: Site redirects too many times" ]
run notice --host "$HOST/noconfig"
check "answer without config is no notice" [ "$RC" -eq 1 -a -n "$ERR" -a -z "$OUT" ]
run notice --host "$HOST/first"
check "config only at the first character is no notice" [ "$RC" -eq 1 -a -z "$OUT" ]
run notice --host "ftp://127.0.0.1/"
check "not a web address" [ "$RC" -eq 1 -a "$ERR" = "非法的URL" ]

OUT=$(FERIX_NOTICE_HOST="$HOST/good" "$CLI" --user admin --password '' notice 2>/dev/null) && RC=0 || RC=$?
check "host from FERIX_NOTICE_HOST" [ "$RC" -eq 0 -a "$(echo "$OUT" | sed -n 2p | cut -f1)" = "系统通知" ]

run notice extra
check "unexpected argument is wrong usage" [ "$RC" -eq 2 ]
run notice --port 80
check "unknown option is wrong usage" [ "$RC" -eq 2 ]
OUT=$("$CLI" --user admin --password 'x' notice --host "$HOST/good" 2>/dev/null) && RC=0 || RC=$?
check "needs a login" [ "$RC" -eq 3 ]
finish
