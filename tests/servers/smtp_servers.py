#!/usr/bin/python3
"""Local SMTP servers for the mail client's tests (aiosmtpd, 127.0.0.1 only).

    smtp_servers.py STATE_DIR

Listens on ports the system picks: "open" (no authentication), and "cram",
"login", "plain", each of which offers only that one mechanism and accepts
mail only after it (user "tarno", password "s3cret pass"). Writes
STATE_DIR/ports ("name port" lines) once all listen. Every message received
is written as STATE_DIR/<name>-<n>.eml (the data as the server took it) and
STATE_DIR/<name>-<n>.env (the sender, then each recipient, one a line).
Runs until it is terminated.
"""
import asyncio
import base64
import hashlib
import hmac
import os
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

USER = b"tarno"
PASSWORD = b"s3cret pass"
MECHANISMS = ["CRAM-MD5", "LOGIN", "PLAIN"]


class Recorder:
    def __init__(self, state, name):
        self.state, self.name, self.count = state, name, 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.state, "%s-%d" % (self.name, self.count))
        with open(base + ".eml.part", "wb") as f:
            f.write(envelope.original_content)
        with open(base + ".env", "w", encoding="latin-1") as f:
            f.write("\n".join([envelope.mail_from] + envelope.rcpt_tos) + "\n")
        os.rename(base + ".eml.part", base + ".eml")
        return "250 OK"


class CramRecorder(Recorder):
    async def auth_CRAM__MD5(self, server, args):
        challenge = b"<%d.tarno@127.0.0.1>" % os.getpid()
        answer = await server.challenge_auth(challenge)
        if not isinstance(answer, bytes):
            return AuthResult(success=False, handled=True)
        expected = USER + b" " + hmac.new(PASSWORD, challenge, hashlib.md5).hexdigest().encode()
        return AuthResult(success=answer == expected, handled=False, auth_data=LoginPassword(USER, PASSWORD))


def authenticator(server, session, envelope, mechanism, auth_data):
    ok = isinstance(auth_data, LoginPassword) and auth_data.login == USER and auth_data.password == PASSWORD
    return AuthResult(success=ok, handled=False)


async def main(state):
    loop = asyncio.get_running_loop()
    lines = []
    for name in ["open", "cram", "login", "plain"]:
        recorder = (CramRecorder if name == "cram" else Recorder)(state, name)
        if name == "open":
            factory = lambda r=recorder: SMTP(r, enable_SMTPUTF8=False)
        else:
            offered = {"cram": "CRAM-MD5", "login": "LOGIN", "plain": "PLAIN"}[name]
            excluded = [m for m in MECHANISMS if m != offered]
            factory = lambda r=recorder, x=excluded: SMTP(
                r, authenticator=authenticator, auth_required=True, auth_require_tls=False,
                auth_exclude_mechanism=x)
        server = await loop.create_server(factory, host="127.0.0.1", port=0)
        lines.append("%s %d" % (name, server.sockets[0].getsockname()[1]))
    with open(os.path.join(state, "ports.part"), "w") as f:
        f.write("\n".join(lines) + "\n")
    os.rename(os.path.join(state, "ports.part"), os.path.join(state, "ports"))
    await asyncio.Event().wait()


if __name__ == "__main__":
    asyncio.run(main(sys.argv[1]))
