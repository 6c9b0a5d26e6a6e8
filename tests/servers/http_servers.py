#!/usr/bin/python3
"""Local web servers for the new-version check's tests (127.0.0.1 only).

    http_servers.py STATE_DIR

Makes a test CA and the servers' certificates at start
(python3-cryptography); writes the CA as STATE_DIR/ca.der. Listens on ports
the system picks, each https server with its own certificate:

  http                plain http
  https               "localhost" signed by the CA
  selfsigned          "localhost" signed by itself
  wronghost           "otherhost.example" signed by the CA
  untrusted           "localhost" signed by a second CA that no test trusts
                      before it adds it (STATE_DIR/other-ca.der)
  expired             "localhost" by the CA, valid until yesterday
  notyetvalid         "localhost" by the CA, valid from tomorrow
  clientauth          "localhost" by the CA, for client authentication only
  intermediate        "localhost" by an intermediate CA that the CA signed
                      (the server sends both)
  intermediatenotca   the same, but the intermediate is no CA (basic
                      constraints CA:FALSE)

and writes STATE_DIR/ports ("name port" lines) once all listen. Every server
answers the same paths:

  /list/<name>          a product list (see LISTS)
  /rel/a/b              302 to the relative "../c/list", which serves list 839
  /chain/<n>/<k>        302 to /chain/<n>/<k+1> while k < n, then list 839
  /cookie/start         302 to /cookie/final with Set-Cookie "tarno=yes"
  /cookie/final         list 839 only to a request with Cookie "tarno=yes"
  /auth/list            list 839 only with the Basic credentials of
                        user "setup user" and password "p@ss:w%rd"
Runs until it is terminated.
"""
import base64
import datetime
import http.server
import os
import ssl
import sys
import threading

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import ec
from cryptography.x509.oid import NameOID

LISTS = {
    "none": "<LIST><OTHER url='http://download.tarno.example/x.exe'>9.0.0</OTHER></LIST>",
    "empty": "<LIST><TM url='http://download.tarno.example/setup.exe' date='2026-12-01'/></LIST>",
    "838": "<LIST><TM url='http://download.tarno.example/setup.exe' date='2026-12-01'>8.3.8</TM></LIST>",
    "839": "<LIST><TM url='http://download.tarno.example/setup.exe' date='2026-12-01'>8.3.9</TM></LIST>",
    "839-file": "<LIST><TM url='file:///C:/windows/notepad.exe'>8.3.9</TM></LIST>",
    "839-javascript": "<LIST><TM url='javascript:alert(1)'>8.3.9</TM></LIST>",
    "839-unc": "<LIST><TM url='\\\\server\\share\\setup.exe'>8.3.9</TM></LIST>",
    "839-program": "<LIST><TM url='C:\\windows\\notepad.exe'>8.3.9</TM></LIST>",
}
CREDENTIALS = "Basic " + base64.b64encode(b"setup user:p@ss:w%rd").decode()


def name_of(common_name):
    return x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, common_name)])


def certificate(name, key, issuer_name, issuer_key, ca=False, valid_days=(-1, 30),
                usages=(x509.oid.ExtendedKeyUsageOID.SERVER_AUTH,)):
    """A certificate for `name` (a CA's when `ca`), valid from now plus the
    first to now plus the second number of days; a server's for `usages`."""
    now = datetime.datetime.utcnow()
    builder = (x509.CertificateBuilder()
               .subject_name(name_of(name))
               .issuer_name(issuer_name)
               .public_key(key.public_key())
               .serial_number(x509.random_serial_number())
               .not_valid_before(now + datetime.timedelta(days=valid_days[0]))
               .not_valid_after(now + datetime.timedelta(days=valid_days[1]))
               .add_extension(x509.BasicConstraints(ca=ca, path_length=None), critical=True))
    if not ca and usages:
        builder = builder.add_extension(x509.SubjectAlternativeName([x509.DNSName(name)]), critical=False)
        builder = builder.add_extension(x509.ExtendedKeyUsage(list(usages)), critical=False)
    return builder.sign(issuer_key, hashes.SHA256())


def write_pair(state, stem, certs, key):
    """The server's certificate, the chain it sends after it, and its key."""
    with open(os.path.join(state, stem + ".pem"), "wb") as f:
        for cert in certs:
            f.write(cert.public_bytes(serialization.Encoding.PEM))
        f.write(key.private_bytes(serialization.Encoding.PEM, serialization.PrivateFormat.PKCS8,
                                  serialization.NoEncryption()))
    return os.path.join(state, stem + ".pem")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def answer(self, status, body="", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Type", "text/xml")
        self.end_headers()
        self.wfile.write(body.encode())

    def redirect(self, location, headers=()):
        self.answer(302, "", [("Location", location)] + list(headers))

    def do_GET(self):
        parts = self.path.split("/")[1:]
        if parts[0] == "list" and len(parts) == 2 and parts[1] in LISTS:
            return self.answer(200, LISTS[parts[1]])
        if self.path == "/rel/a/b":
            return self.redirect("../c/list")
        if self.path == "/rel/c/list":
            return self.answer(200, LISTS["839"])
        if parts[0] == "chain" and len(parts) == 3:
            n, k = int(parts[1]), int(parts[2])
            return self.redirect("/chain/%d/%d" % (n, k + 1)) if k < n else self.answer(200, LISTS["839"])
        if self.path == "/cookie/start":
            return self.redirect("/cookie/final", [("Set-Cookie", "tarno=yes")])
        if self.path == "/cookie/final":
            ok = self.headers.get("Cookie") == "tarno=yes"
            return self.answer(200, LISTS["839"]) if ok else self.answer(403)
        if self.path == "/auth/list":
            ok = self.headers.get("Authorization") == CREDENTIALS
            return self.answer(200, LISTS["839"]) if ok else self.answer(401)
        self.answer(404)


def serve(state, tls_pem=None):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    if tls_pem:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(tls_pem)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def authority(state, common_name, der_name):
    # A name of this run's own: an authority of an earlier run that stayed in
    # a prefix's trusted roots is never taken for the issuer.
    common_name += " " + os.urandom(4).hex()
    key = ec.generate_private_key(ec.SECP256R1())
    cert = certificate(common_name, key, name_of(common_name), key, ca=True)
    with open(os.path.join(state, der_name), "wb") as f:
        f.write(cert.public_bytes(serialization.Encoding.DER))
    return name_of(common_name), key


def main(state):
    ca_name, ca_key = authority(state, "Tarno Setup Test CA", "ca.der")
    other_name, other_key = authority(state, "Tarno Setup Other Test CA", "other-ca.der")
    server_auth = x509.oid.ExtendedKeyUsageOID.SERVER_AUTH
    client_auth = x509.oid.ExtendedKeyUsageOID.CLIENT_AUTH

    def intermediate(common_name, ca):
        key = ec.generate_private_key(ec.SECP256R1())
        return name_of(common_name), key, certificate(common_name, key, ca_name, ca_key, ca=ca, usages=())

    good = intermediate("Tarno Setup Intermediate CA", True)
    not_ca = intermediate("Tarno Setup Intermediate Not A CA", False)
    # name: host, issuer (name, key, certificates sent after the server's), validity, usages
    servers = {
        "https": ("localhost", (ca_name, ca_key, []), (-1, 30), [server_auth]),
        "selfsigned": ("localhost", None, (-1, 30), [server_auth]),
        "wronghost": ("otherhost.example", (ca_name, ca_key, []), (-1, 30), [server_auth]),
        "untrusted": ("localhost", (other_name, other_key, []), (-1, 30), [server_auth]),
        "expired": ("localhost", (ca_name, ca_key, []), (-30, -1), [server_auth]),
        "notyetvalid": ("localhost", (ca_name, ca_key, []), (1, 30), [server_auth]),
        "clientauth": ("localhost", (ca_name, ca_key, []), (-1, 30), [client_auth]),
        "intermediate": ("localhost", (good[0], good[1], [good[2]]), (-1, 30), [server_auth]),
        "intermediatenotca": ("localhost", (not_ca[0], not_ca[1], [not_ca[2]]), (-1, 30), [server_auth]),
    }
    lines = ["http %d" % serve(state)]
    for name, (host, issuer, valid_days, usages) in servers.items():
        key = ec.generate_private_key(ec.SECP256R1())
        issuer_name, issuer_key, chain = issuer if issuer else (name_of(host), key, [])
        cert = certificate(host, key, issuer_name, issuer_key, valid_days=valid_days, usages=usages)
        lines.append("%s %d" % (name, serve(state, write_pair(state, name, [cert] + chain, key))))
    with open(os.path.join(state, "ports.part"), "w") as f:
        f.write("\n".join(lines) + "\n")
    os.rename(os.path.join(state, "ports.part"), os.path.join(state, "ports"))
    threading.Event().wait()


if __name__ == "__main__":
    main(sys.argv[1])
