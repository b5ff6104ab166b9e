#!/usr/bin/env python3
"""Every text that ferix-cli accepts, given quotes, %, _, a backslash, markup, a text of
10,000 characters and an emoji, is stored and read back exactly as given; a name that looks
like a pattern removes only the entry of that very name. Run by test_injection.sh."""
import csv
import io
import json
import os
import subprocess
import sys
import tempfile

CLI = sys.argv[1]
LONG = ("长文本" * 3334)[:10000]
VALUES = ["'", '"', "%", "_", "\\", "<script>alert('x')</script>", LONG, "😀",
          "'\"%_\\<b>😀"]
failures = []


def run(*args, code=0, user=("admin", "")):
    cmd = [CLI, "--user", user[0], "--password", user[1], "--format", "json", *args]
    p = subprocess.run(cmd, capture_output=True)
    out, err = p.stdout.decode("utf-8"), p.stderr.decode("utf-8")
    if code is not None and p.returncode != code:
        short = " ".join(a if len(a) < 40 else a[:20] + "…" for a in args)
        failures.append(f"ferix-cli {short}: exit {p.returncode}, expected {code}: {err[:300]}")
    return out, p.returncode


def listing(*args):
    out, rc = run(*args)
    return json.loads(out) if rc == 0 and out.strip() else []


def expect(what, got, wanted):
    if got != wanted:
        g, w = repr(got), repr(wanted)
        failures.append(f"{what}: got {g[:300]}, expected {w[:300]}")


def label(v):
    return repr(v if len(v) < 20 else v[:8] + "…")


def write(path, text):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text)


def csv_text(header, rows):
    buf = io.StringIO()
    w = csv.writer(buf, quoting=csv.QUOTE_ALL, lineterminator="\r\n")
    w.writerow(header)
    w.writerows(rows)
    return buf.getvalue()


work = tempfile.mkdtemp(prefix="ferix-injection-")
os.chdir(work)
os.environ["FERIX_FAST_HASH"] = "1"
run("init")

# ---- operators: name, password, note; the password logs in exactly
for v in VALUES:
    run("users", "add", v, "--new-password", v, "--note", v)
users = {u["UserName"]: u["Note"] for u in listing("users", "list")}
for v in VALUES:
    expect(f"operator {label(v)}", users.get(v), v)
    run("log", user=(v, v))
run("log", code=3, user=("'", "%"))
run("log", code=3, user=("%", "_"))
run("users", "delete", "%")
names = {u["UserName"] for u in listing("users", "list")}
expect("operators left after deleting '%'", names, {"admin", *VALUES} - {"%"})

# ---- company settings, one value in every free-text field at a time (the costing method is
# one of two choices)
for v in VALUES:
    run("settings", "set", "--name", v, "--tel", v, "--fax", v, "--zip", v, "--addr", v)
    fields = ["CompanyName", "CompanyTel", "CompanyFax", "CompanyZip", "CompanyAddr"]
    s = listing("settings")
    expect(f"settings {label(v)}", {k: s[0][k] for k in fields} if s else None,
           {k: v for k in fields})

# ---- reference lists
for key in ["area", "bank", "unit", "warehouse", "income", "spending"]:
    for v in VALUES:
        run("config", "add", key, v, "--note", v)
    expect(f"{key} list", listing("config", "list", key),
           [{"name": v, "note": v} for v in VALUES])
run("config", "remove", "area", "%")
run("config", "remove", "area", "_")
expect("areas left after removing '%' and '_'", [e["name"] for e in listing("config", "list", "area")],
       [v for v in VALUES if v not in ("%", "_")])
for v in VALUES:
    run("departments", "add", v, "--note", v)
    run("employees", "add", "--department", v, "--name", v, "--tel", v, "--addr", v,
        "--birthday", v, "--note", v)
expect("departments", listing("departments", "list"), [{"name": v, "note": v} for v in VALUES])
for v in VALUES:
    expect(f"employees of {label(v)}", listing("employees", "list", "--department", v),
           [{"department": v, "name": v, "tel": v, "addr": v, "birthday": v, "note": v}])
run("employees", "remove", "%")
expect("employees left after removing '%'", [e["name"] for e in listing("employees", "list")],
       [v for v in VALUES if v != "%"])

# ---- goods classes, goods and business units
for v in VALUES:
    run("classes", "add", v)
    run("classes", "add", v + "子", "--parent", v)
classes = {(c["class_name"], c["parent_name"]) for c in listing("classes", "list")}
for v in VALUES:
    expect(f"class {label(v)}", {(v, ""), (v + "子", v)} <= classes, True)

goods_text = ["Code", "ProductName", "ClassName", "SmartName", "Unit", "PartNumber",
              "Specifications", "ProductingArea", "BarCode", "ShelfLife", "InventoryLow",
              "InventoryHigh", "UserDefined1", "UserDefined2", "UserDefined3", "UserDefined4",
              "Note"]
write("goods.csv", csv_text(goods_text + ["PriceIn"], [[v] * len(goods_text) + ["1.5"] for v in VALUES]))
run("goods", "import", "goods.csv")
for v in VALUES:
    rows = listing("goods", "list", "--class", v)
    expect(f"goods of class {label(v)}", [{k: r[k] for k in goods_text} for r in rows],
           [{k: v for k in goods_text}])

unit_text = ["CustomerCode", "CustomerName", "CustomerContact", "CustomerMobile", "CustomerTel",
             "CustomerFax", "CustomerZip", "CustomerAddr", "CustomerArea", "CustomerWebsite",
             "CustomerEmail", "CustomerMsn", "CustomerQq", "CustomerNote"]
write("units.csv", csv_text(unit_text + ["CustomerType"], [[v] * len(unit_text) + ["供应商"] for v in VALUES]))
run("customers", "import", "units.csv")
units = listing("customers", "list", "--type", "供应商")
expect("business units", [{k: r[k] for k in unit_text} for r in units],
       [{k: v for k in unit_text} for v in VALUES])

# ---- bills: every header and line text, read back from the bill, the list and the stock
for i, v in enumerate(VALUES):
    header = {"customer": v, "department": v, "warehouse": v, "employee": v, "introduction": v,
              "account": v, "paid": "1.50"}  # the paid amount is money, never free text
    line = {"code": v, "quantity": "3", "price": "1.5", "unit": v, "batch": v,
            "production_date": v, "barcode": v, "note": v}
    write("bill.json", json.dumps(dict(header, number=v, date="2026-12-07", lines=[line])))
    run("post", "purchase", "bill.json")
    expect(f"purchase {label(v)} lines", listing("bill", "purchase", v),
           [{"Product_ID": v, "Product_Name": v, "Product_Number": "3", "Product_Unit": v,
             "Product_atch": v, "Product_Date": v, "Product_Price": "1.5",
             "Product_Total": "4.50", "Product_BarCode": v, "Product_Note": v, "BaseNumber": "3"}])
    bills = [b for b in listing("bills", "purchase", "--from", "2026-12-07", "--to", "2026-12-07")
             if b["Bill_ID"] == v]
    expect(f"purchase {label(v)} header", bills,
           [{"Bill_ID": v, "Bill_Date": "2026-12-07", "Customer": v, "Department": v,
             "Employee": v, "Warehouse": v, "Number": "3", "Total": "4.50", "Bank": v, "Pay": "1.50",
             "Introduction": v, "Canceled": "0", "Order": ""}])
    write("sale.json", json.dumps(dict(header, number="S" + v, lines=[dict(line, quantity="1")])))
    run("post", "sale", "sale.json")
    for kind, number in [("loss", "L"), ("gain", "G")]:
        write(f"{kind}.json", json.dumps(dict(header, number=number + v, lines=[dict(line, quantity="1")])))
        run("post", kind, f"{kind}.json")
    write("price.json", json.dumps(dict(header, number="P" + v, lines=[dict(line, price="2.25")])))
    run("post", "price", "price.json")
    stock = listing("stock", "--warehouse", v)
    expect(f"stock in warehouse {label(v)}",
           [(s["StoreHouse"], s["ProductCode"], s["ProductName"], s["Number"], s["Price"]) for s in stock],
           [(v, v, v, "2", "2.25")])
    for kind, number in [("loss", "L"), ("gain", "G"), ("price", "P")]:
        got = listing("bill", kind, number + v)
        expect(f"{kind} {label(v)} line", [(r["Product_ID"], r["Product_Unit"], r["Product_Note"]) for r in got],
               [(v, v, v)])
    # The sale reversed by its number: its red bill alone, its goods back in stock.
    out, _ = run("reverse", "sale", "S" + v)
    expect(f"reverse sale {label(v)}", out, "S" + v + "-H\n")
    got = listing("bill", "sale", "S" + v + "-H")
    expect(f"red sale {label(v)} line",
           [(r["Product_ID"], r["Product_Number"], r["Product_Total"], r["Product_Note"]) for r in got],
           [(v, "-1", "-1.50", v)])
    stock = listing("stock", "--warehouse", v)
    expect(f"stock in warehouse {label(v)} after the reversal", [s["Number"] for s in stock], ["3"])

# A goods code that looks like a pattern deletes only itself (after its stock is gone there is
# still its stock row, so use fresh goods).
write("more.csv", csv_text(["Code", "ProductName", "ClassName"],
                           [["a%", "x", "'"], ["ab", "x", "'"], ["a_", "x", "'"], ["ac", "x", "'"]]))
run("goods", "import", "more.csv")
run("goods", "delete", "a%")
run("goods", "delete", "a_")
expect("goods left after deleting 'a%' and 'a_'",
       sorted(g["Code"] for g in listing("goods", "list") if g["Code"].startswith("a")), ["ab", "ac"])

if failures:
    print("\n".join("FAIL: " + f for f in failures))
    print(f"{len(failures)} failed")
    sys.exit(1)
print("all passed")
