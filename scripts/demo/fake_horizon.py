#!/usr/bin/python3
"""Stand-in for the Horizon accounting service of the demo.

Answers GET <base>/rest/TDdmMUSar/query with the incoming bank payments whose
last change (LASTEV.LAIKS) is after the date of the filter and whose
counter-party code starts with the filter's prefix, as JSON
{"collection": {"row": [{"PDOK": {...}, "LASTEV": {...}}, ...]}}.
HTTP Basic credentials are required.  Only the standard library is used.

    /usr/bin/python3 scripts/demo/fake_horizon.py --port 18471 \
        --user horizon --password horizon-demo
"""

import argparse
import base64
import json
import re
import sys
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

QUERY_PATH = "/rest/TDdmMUSar/query"

# The web shop customers of the demo carry the codes "2" ... "7" (N_KLIENT.IDKODS);
# a payer writes the code at the end of the purpose text.
PAYMENTS = [
    # changed, payment date, amount, purpose, counter-party, bank document
    ("2024-09-05T09:12:44", "2024-09-05", 48.20,
     "Apmaksa par pasūtījumu 1040, Identifikācijas numurs: 2", "E00102", "SWEDLV2024090500123"),
    ("2024-09-09T11:03:10", "2024-09-09", 25.00,
     "Priekšapmaksa par precēm, ID 3", "E00103", "SEB-240909-0042"),
    ("2024-09-12T14:40:00", "2024-09-12", 100.00,
     "Avanss ID:- 5", "E00105", "HABA0912-77"),
    ("2024-09-16T08:30:21", "2024-09-16", 15.75,
     "Rēķins WWW-00815, Identifikācijas numurs: 2", "E00102", "SWEDLV2024091600456"),
    # nobody has this code
    ("2024-09-17T10:00:00", "2024-09-17", 230.00,
     "Rēķins 2024/118, ID 999999", "E00777", "LUMI240917-5"),
    # no code at all
    ("2024-09-18T16:45:09", "2024-09-18", 64.99,
     "Pārskaitījums par precēm", "E00808", "CITA-0918-31"),
    # not a customer payment (code without E): the filter leaves it out
    ("2024-09-19T12:00:00", "2024-09-19", 500.00,
     "Atmaksa ID 4", "P00001", "SEB-240919-0001"),
    # changed before the usual start date: the filter leaves it out
    ("2024-08-20T12:00:00", "2024-08-20", 12.00,
     "Vecs maksājums ID 6", "E00106", "HABA0820-12"),
]

FILTER = re.compile(r"^LASTEV\.LAIKS gt '(\d{4}-\d{2}-\d{2})' and startswith\(K\.KODS, '([^']*)'\)$")


def rows_for(after, prefix):
    rows = []
    for changed, date, amount, purpose, code, document in PAYMENTS:
        if changed[:10] > after and code.startswith(prefix):
            rows.append({
                "PDOK": {
                    "DAT_DOK": date + "T00:00:00",
                    "SUMMA_PV": amount,
                    "PAMAT": purpose,
                    "K": {"KODS": code},
                    "BK": {"DAR_REGNUM": document},
                },
                "LASTEV": {"LAIKS": changed},
            })
    return rows


class Handler(BaseHTTPRequestHandler):
    server_version = "FakeHorizon/1.0"

    def answer(self, status, body, content_type="application/json; charset=utf-8", extra=()):
        data = body.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)

    def do_GET(self):
        url = urlsplit(self.path)
        if url.path != QUERY_PATH:
            self.answer(404, "Not found", "text/plain; charset=utf-8")
            return
        expected = "Basic " + base64.b64encode(
            ("%s:%s" % (self.server.user, self.server.password)).encode("utf-8")).decode("ascii")
        if self.headers.get("Authorization") != expected:
            self.answer(401, "Unauthorized", "text/plain; charset=utf-8",
                        [("WWW-Authenticate", 'Basic realm="Horizon"')])
            return
        params = parse_qs(url.query)
        match = FILTER.match(params.get("filter", [""])[0])
        if not match:
            self.answer(400, "Unsupported filter", "text/plain; charset=utf-8")
            return
        rows = rows_for(match.group(1), match.group(2))
        self.answer(200, json.dumps({"collection": {"row": rows}}, ensure_ascii=False))

    def log_message(self, fmt, *args):
        sys.stderr.write("%s %s\n" % (self.log_date_time_string(), fmt % args))
        sys.stderr.flush()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=18471)
    parser.add_argument("--user", default="horizon")
    parser.add_argument("--password", default="horizon-demo")
    args = parser.parse_args()
    server = ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    server.user = args.user
    server.password = args.password
    sys.stderr.write("Fake Horizon on http://127.0.0.1:%d/\n" % args.port)
    sys.stderr.flush()
    server.serve_forever()


if __name__ == "__main__":
    main()
