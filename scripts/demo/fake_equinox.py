#!/usr/bin/python3
"""A fake Equinox warehouse for the demo.

    fake_equinox.py --root DIR [--interval SECONDS]

DIR is the folder an FTP server serves to the host (VISION/DATA/IN and
VISION/DATA/OUT under it). The fake reads every order file the host uploads
into VISION/DATA/IN and answers it in VISION/DATA/OUT, as the warehouse does:

- an outbound order to a department (partner code "ERP_<key>"): a shipment
  result with what was shipped (the first line one short, when it can be);
- an inbound purchase order: a receipt result with the counted quantities,
  then an order state file saying DONE;
- an inbound return from a department: a receipt result.

Sales to customers are shipped without a result file for the host: that
system books them itself. Answered order files move to VISION/DATA/IN/done/.
At start it also leaves one stock adjustment of the first warehouse it sees.
A result appears under its final name only once it is written whole.
"""

import argparse
import datetime
import os
import time
import xml.etree.ElementTree as ET


def local(tag):
    return tag.rsplit("}", 1)[-1]


def children(elem, name):
    return [c for c in elem if local(c.tag) == name]


def text(elem, name):
    for c in elem:
        if local(c.tag) == name:
            return (c.text or "").strip()
    return ""


def esc(value):
    return (value.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;").replace("'", "&apos;"))


def write(out_dir, name, root, fields, lines):
    body = ['<?xml version="1.0" encoding="UTF-8"?>', '<%s xmlns="urn:equinox:results">' % root]
    for tag, value in fields:
        body.append("  <%s>%s</%s>" % (tag, esc(value), tag))
    if lines:
        body.append("  <lines>")
        for line in lines:
            body.append("    <line>" + "".join("<%s>%s</%s>" % (t, esc(v), t) for t, v in line)
                        + "</line>")
        body.append("  </lines>")
    body.append("</%s>" % root)
    tmp = os.path.join(out_dir, name + ".part")
    with open(tmp, "w", encoding="utf-8", newline="\r\n") as f:
        f.write("\n".join(body) + "\n")
    os.replace(tmp, os.path.join(out_dir, name))
    print("answered", name, flush=True)


def quantities(details, short_first):
    lines = []
    for n, d in enumerate(details):
        qty = float(text(d, "quantity") or 0)
        if short_first and n == 0 and qty > 1:
            qty -= 1
        lines.append((text(d, "article_id"), qty))
    return lines


def fmt(qty):
    return ("%.3f" % qty).rstrip("0").rstrip(".")


def answer(path, out_dir, warehouses):
    tree = ET.parse(path)
    stamp = datetime.datetime.now().strftime("%Y%m%d%H%M%S")
    for order in tree.getroot().iter():
        kind = local(order.tag)
        if kind == "outbound_order":
            number, partner, wh = (text(order, "outbound_order_no"), text(order, "partner_code"),
                                   text(order, "erp_wh_code"))
            warehouses.add(wh)
            if not partner.startswith("ERP_"):
                continue
            details = children(children(order, "outbound_order_details")[0], "outbound_order_detail")
            write(out_dir, "shipment_%s_%s.XML" % (number, stamp), "shipment_result",
                  [("outbound_order_no", number), ("partner_code", partner), ("erp_wh_code", wh),
                   ("driver_name", "Mercedes-Benz Sprinter KL-4821")],
                  [[("article_id", a), ("actual_quantity", fmt(q))]
                   for a, q in quantities(details, True)])
        elif kind == "inbound_order":
            number, supplier, wh, order_type = (text(order, "inbound_order_no"),
                                                text(order, "supplier_code"),
                                                text(order, "erp_wh_code"), text(order, "type"))
            warehouses.add(wh)
            details = children(children(order, "inbound_order_details")[0], "inbound_order_detail")
            write(out_dir, "receipt_%s_%s.XML" % (number, stamp), "inbound_order_result",
                  [("inbound_order_no", number), ("partner_code", supplier), ("erp_wh_code", wh),
                   ("vw_ud_field_0", "Volkswagen Crafter HM-1907")],
                  [[("article_id", a), ("actual_quantity", fmt(q))]
                   for a, q in quantities(details, order_type == "PURCHASE")])
            if order_type == "PURCHASE":
                write(out_dir, "state_%s_%s.XML" % (number, stamp), "inbound_order_state",
                      [("inbound_order_no", number), ("state", "DONE")], [])


def adjustment(out_dir, warehouse, articles):
    today = datetime.date.today()
    lines = []
    for n, article in enumerate(articles[:2]):
        lines.append([("from_erp_wh_code", warehouse), ("to_erp_wh_code", warehouse),
                      ("article_id", article), ("quantity", "2" if n == 0 else "-1")])
    write(out_dir, "adjustment_%s.XML" % today.strftime("%Y%m%d"), "inventory_adjustment_result",
          [("document_no", "INV-%s" % today.strftime("%Y%m%d")), ("posting_date", today.isoformat()),
           ("erp_reason_type", "Inventarizācija")], lines)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--root", required=True)
    p.add_argument("--interval", type=float, default=2.0)
    args = p.parse_args()
    in_dir = os.path.join(args.root, "VISION", "DATA", "IN")
    out_dir = os.path.join(args.root, "VISION", "DATA", "OUT")
    done_dir = os.path.join(in_dir, "done")
    os.makedirs(done_dir, exist_ok=True)
    os.makedirs(out_dir, exist_ok=True)
    warehouses = set()
    adjusted = False
    while True:
        for name in sorted(os.listdir(in_dir)):
            low = name.lower()
            path = os.path.join(in_dir, name)
            if low.endswith(".xml") and low.startswith(("inboundorders", "outboundorders")):
                try:
                    answer(path, out_dir, warehouses)
                except ET.ParseError as e:
                    print("unreadable order file", name, e, flush=True)
                os.replace(path, os.path.join(done_dir, name))
            elif low == "articles.xml" and not adjusted and warehouses:
                # a stock count after the first goods list and orders
                tree = ET.parse(path)
                ids = [text(a, "article_id") for a in tree.getroot().iter() if local(a.tag) == "article"]
                if ids:
                    adjustment(out_dir, sorted(warehouses)[0], ids)
                    adjusted = True
        time.sleep(args.interval)


if __name__ == "__main__":
    main()
