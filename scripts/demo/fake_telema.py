#!/usr/bin/python3
"""Stand-in for the Telema EDI operator of the demo.

Serves the REST API under <base>/edi/api/v1/:

  POST auth/accessToken   {"clientId": ..., "clientSecret": ...} -> {"accessToken": ...}
  GET  data               the documents still waiting: {"data": {"documents": [{"id", "document"}]}}
  POST data/feedback      acknowledges one document; it leaves the list
  POST data               an uploaded E-Document; saved under --out, answered "statusCode":1

The waiting documents are two supplier invoices and one customer order, made from the
demo partners and goods listed in --partners (lines "S|isn|regnr|name" for suppliers,
"G<isn>|ean|name|net price|vat" for their goods, "C|branch EDI code" for the ordering
shop).  The first acknowledgement of the second invoice is answered 500, so the host sees
it again at its next run and must not store it twice.  Only the standard library is used.

    /usr/bin/python3 scripts/demo/fake_telema.py --port 18473 --client-id varnis-demo \
        --secret telema-demo --partners DIR/telema-partners.txt --out DIR/telema-out
"""

import argparse
import base64
import json
import os
import secrets
import sys
import threading
import xml.etree.ElementTree as ET
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from xml.sax.saxutils import escape

PREFIX = "/edi/api/v1/"


def read_partners(path):
    suppliers, goods, customer = [], {}, None
    with open(path, encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split("|")
            if parts[0] == "S":
                suppliers.append((int(parts[1]), parts[2], parts[3]))
            elif parts[0].startswith("G"):
                goods.setdefault(int(parts[0][1:]), []).append(
                    (parts[1], parts[2], float(parts[3] or 0), float(parts[4] or 0)))
            elif parts[0] == "C":
                customer = parts[1]
    return suppliers, goods, customer


def invoice_xml(number, supplier, lines, date, delivery_gln):
    _, regnr, name = supplier
    items = []
    for ean, gname, price, vat, qty in lines:
        items.append(
            "<ItemEntry><SellerItemCode></SellerItemCode><GTIN>%s</GTIN><ItemDescription>%s</ItemDescription>"
            "<VATRate>%s</VATRate><AmountInvoiced>%s</AmountInvoiced><AddRate>0</AddRate>"
            "<SumBeforeVAT>%.2f</SumBeforeVAT></ItemEntry>" % (ean, escape(gname), vat, qty, price * qty))
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n<E-Document><Header><DateIssued>%s</DateIssued></Header>'
        "<Document><DocumentType>invoice</DocumentType><DocumentParties>"
        '<SellerParty context="partner"><RegNum>%s</RegNum><Name>%s</Name><VATRegNum>LV%s</VATRegNum>'
        "<ContactData><ActualAddress><Address1>Rūpniecības iela 3</Address1><PostalCode>LV-3001</PostalCode>"
        "<CountryCode>LV</CountryCode><Country>Latvija</Country></ActualAddress></ContactData></SellerParty>"
        "<DeliveryParty><GLN>%s</GLN></DeliveryParty></DocumentParties></Document>"
        "<DocumentInfo><DocumentNum>%s</DocumentNum><DocumentSerialNum>EDI</DocumentSerialNum><DateInfo>"
        "<InvoiceDate>%s</InvoiceDate><DeliveryDateActual>%s</DeliveryDateActual><DueDate>2030-12-31</DueDate>"
        "</DateInfo><RefInfo><SourceDocument type=\"order\"><SourceDocumentNum>TP-%s</SourceDocumentNum>"
        "</SourceDocument></RefInfo></DocumentInfo><DocumentItem>%s</DocumentItem></E-Document>"
        % (date, regnr, escape(name), regnr, delivery_gln, number, date, date, number, "".join(items)))


def order_xml(number, code, lines, date):
    items = []
    for ean, _, price, vat, qty in lines:
        own_price = "<ItemPrice>%.2f</ItemPrice>" % (price * 1.3) if price else ""
        items.append("<ItemEntry><GTIN>%s</GTIN><VATRate>%s</VATRate><AmountOrdered>%s</AmountOrdered>"
                     "<AddRate>0</AddRate>%s</ItemEntry>" % (ean, vat, qty, own_price))
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n<E-Document><Document><DocumentType>order</DocumentType>'
        "<DocumentParties><DeliveryParty><GLN>%s</GLN></DeliveryParty></DocumentParties></Document>"
        "<DocumentInfo><DocumentNum>%s</DocumentNum><DocumentSerialNum>PAS</DocumentSerialNum><DateInfo>"
        "<OrderDate>%s</OrderDate><DeliveryDateRequested>%s</DeliveryDateRequested></DateInfo></DocumentInfo>"
        "<DocumentItem>%s</DocumentItem></E-Document>" % (code, number, date, date, "".join(items)))


def demo_documents(path):
    suppliers, goods, customer = read_partners(path)
    today = __import__("datetime").date.today().isoformat()
    docs = []
    if suppliers:
        first = suppliers[0]
        lines = [(e, n, p, v, 24) for e, n, p, v in goods.get(first[0], [])[:3]]
        if lines:  # the supplier asks a little more than the price on record
            e, n, p, v, q = lines[0]
            lines[0] = (e, n, round(p * 1.05, 2), v, q)
        lines.append(("4750101999990", "Jogurts 'Ķirsis' 2,5% 125g", 0.33, 21, 48))  # unknown: created
        docs.append((7001, invoice_xml("ZP-2401", first, lines, today, "4751012340017")))
    if len(suppliers) > 1:
        second = suppliers[1]
        lines = [(e, n, p, v, 12) for e, n, p, v in goods.get(second[0], [])[:2]]
        docs.append(("7002", invoice_xml("BK-0915", second, lines, today, "4751012340017")))
    if customer:
        every = [g for key in sorted(goods) for g in goods[key]]
        lines = [(e, n, p if i == 0 else 0, v, 6) for i, (e, n, p, v) in enumerate(every[:3])]
        docs.append((7003, order_xml("RE-5521", customer, lines, today)))
    return [(doc_id, base64.b64encode(xml.encode("utf-8")).decode("ascii")) for doc_id, xml in docs]


class State:
    def __init__(self, documents, out_dir):
        self.lock = threading.Lock()
        self.waiting = documents
        self.tokens = set()
        self.out_dir = out_dir
        self.lost_once = set()


class Handler(BaseHTTPRequestHandler):
    server_version = "FakeTelema/1.0"

    def answer(self, status, payload):
        data = (payload if isinstance(payload, str) else json.dumps(payload, separators=(",", ":"))).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length else b""

    def authorised(self):
        auth = self.headers.get("Authorization", "")
        return auth.startswith("Bearer ") and auth[7:] in self.server.state.tokens

    def do_POST(self):
        state = self.server.state
        path = self.path.split("?")[0]
        if path == PREFIX + "auth/accessToken":
            try:
                req = json.loads(self.body())
            except ValueError:
                return self.answer(400, {"message": "body is not JSON"})
            if req.get("clientId") != self.server.client_id or req.get("clientSecret") != self.server.secret:
                return self.answer(401, {"message": "Unauthorized"})
            token = secrets.token_urlsafe(24)
            with state.lock:
                state.tokens.add(token)
            # compact, the token first, as the host reads it
            return self.answer(200, '{"accessToken":"%s","expiresIn":3600}' % token)
        if not self.authorised():
            return self.answer(401, {"message": "Unauthorized"})
        if path == PREFIX + "data/feedback":
            try:
                doc_id = json.loads(self.body())["sessions"][0]["documents"][0]["id"]
            except (ValueError, KeyError, IndexError, TypeError):
                return self.answer(400, {"message": "bad feedback"})
            with state.lock:
                if doc_id == "7002" and doc_id not in state.lost_once:
                    state.lost_once.add(doc_id)
                    return self.answer(500, {"message": "Internal error, feedback not saved"})
                before = len(state.waiting)
                state.waiting = [d for d in state.waiting if d[0] != doc_id]
                saved = before - len(state.waiting)
            return self.answer(200, {"message": "Feedback saved with %d documents" % saved})
        if path == PREFIX + "data":
            try:
                req = json.loads(self.body())
                text = base64.b64decode(req["document"], validate=True)
                ET.fromstring(text)
                name = os.path.basename(req.get("filename") or "document.xml")
            except Exception as e:  # noqa: BLE001 - any fault is a refused document
                return self.answer(200, {"statusCode": 0, "message": "Document refused: %s" % e})
            os.makedirs(state.out_dir, exist_ok=True)
            with open(os.path.join(state.out_dir, name), "wb") as f:
                f.write(text)
            return self.answer(200, {"statusCode": 1, "message": "Document accepted"})
        return self.answer(404, {"message": "not found"})

    def do_GET(self):
        state = self.server.state
        if self.path.split("?")[0] != PREFIX + "data":
            return self.answer(404, {"message": "not found"})
        if not self.authorised():
            return self.answer(401, {"message": "Unauthorized"})
        with state.lock:
            documents = [{"id": i, "document": d} for i, d in state.waiting]
        return self.answer(200, {"data": {"documents": documents}})

    def log_message(self, fmt, *args):
        sys.stdout.write("%s %s\n" % (self.log_date_time_string(), fmt % args))
        sys.stdout.flush()


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--port", type=int, default=18473)
    p.add_argument("--client-id", required=True)
    p.add_argument("--secret", required=True)
    p.add_argument("--partners", required=True)
    p.add_argument("--out", required=True)
    a = p.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", a.port), Handler)
    server.client_id, server.secret = a.client_id, a.secret
    server.state = State(demo_documents(a.partners), a.out)
    print("Fake Telema on http://127.0.0.1:%d%s with %d documents waiting"
          % (a.port, PREFIX, len(server.state.waiting)), flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
