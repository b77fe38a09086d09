#!/usr/bin/python3
"""An FTP server on 127.0.0.1 for the tests and the demo (pyftpdlib).

    ftp_server.py --root DIR --user U --password P [--port N] [--plain] [--cert FILE]

With TLS (the default) a self-signed certificate for 127.0.0.1 is made at start
(or FILE is used when it exists) and the server offers explicit TLS (AUTH TLS)
on the control and data channels. --plain serves FTP without TLS. Port 0 takes
a free port. When the server listens it prints "PORT <n>" on one line.

Faults a test can set up in the served folder:
- a folder holding a file named ".readonly" takes no uploads, deletions, renames or
  new folders (a folder the user may not write);
- a file F beside a file "F.cut" is sent only half-way, while SIZE gives its whole
  size (a download cut short).
"""

import argparse
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, TLS_DTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer


def make_certificate(path):
    from OpenSSL import crypto

    key = crypto.PKey()
    key.generate_key(crypto.TYPE_RSA, 2048)
    cert = crypto.X509()
    cert.get_subject().CN = "127.0.0.1"
    cert.set_serial_number(int.from_bytes(os.urandom(8), "big"))
    cert.gmtime_adj_notBefore(-3600)
    cert.gmtime_adj_notAfter(10 * 365 * 24 * 3600)
    cert.set_issuer(cert.get_subject())
    cert.set_pubkey(key)
    cert.add_extensions([
        crypto.X509Extension(b"basicConstraints", True, b"CA:TRUE"),
        crypto.X509Extension(b"subjectAltName", False, b"IP:127.0.0.1, DNS:localhost"),
    ])
    cert.sign(key, "sha256")
    with open(path, "wb") as f:
        f.write(crypto.dump_privatekey(crypto.FILETYPE_PEM, key))
        f.write(crypto.dump_certificate(crypto.FILETYPE_PEM, cert))


class ReadOnlyMarkerAuthorizer(DummyAuthorizer):
    def has_perm(self, username, perm, path=None):
        if path is not None and perm in "adfmwM":
            if os.path.exists(os.path.join(os.path.dirname(path), ".readonly")):
                return False
        return super().has_perm(username, perm, path)


class CutDownloads:
    def ftp_RETR(self, file):
        if os.path.exists(file + ".cut"):
            with open(file, "rb") as f:
                data = f.read()
            self.push_dtp_data(data[: len(data) // 2], isproducer=False, cmd="RETR")
            return file
        return super().ftp_RETR(file)


class PlainHandler(CutDownloads, FTPHandler):
    pass


class TlsHandler(CutDownloads, TLS_FTPHandler):
    pass


class EagerTlsDtpHandler(TLS_DTPHandler):
    # libcurl starts the data channel handshake as soon as it connects, before the
    # transfer command arrives; the handshake must be read meanwhile.
    def readable(self):
        return self._ssl_accepting or super().readable()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--root", required=True)
    p.add_argument("--user", required=True)
    p.add_argument("--password", required=True)
    p.add_argument("--port", type=int, default=0)
    p.add_argument("--plain", action="store_true")
    p.add_argument("--cert")
    args = p.parse_args()

    authorizer = ReadOnlyMarkerAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")

    if args.plain:
        handler = PlainHandler
    else:
        cert = args.cert or os.path.join(args.root, "..", "ftp-server.pem")
        cert = os.path.abspath(cert)
        if not os.path.exists(cert):
            make_certificate(cert)
        handler = TlsHandler
        handler.certfile = cert
        handler.dtp_handler = EagerTlsDtpHandler
    handler.authorizer = authorizer
    handler.passive_ports = None
    handler.banner = "varnis test ftp"

    server = FTPServer(("127.0.0.1", args.port), handler)
    server.max_cons = 64
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    try:
        server.serve_forever(handle_exit=True)
    finally:
        server.close_all()


if __name__ == "__main__":
    # Quiet: the tests read the port line only.
    import logging
    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    main()
