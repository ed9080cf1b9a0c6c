#!/usr/bin/python3
"""An SMTP server on a free loopback port for the mail tests.

Prints its port on the first line of standard output, then stores every
mail it accepts in the folder given: N.eml holds the data exactly as
received (dot-stuffing undone) and N.json the envelope. With --auth it also
offers AUTH LOGIN and PLAIN (user "tester", password "s3cret") and a
CRAM-MD5 handler; --exclude MECH (repeatable) leaves a mechanism out of
the offer. Ends when standard input closes or on SIGTERM.
"""
import argparse
import asyncio
import base64
import hashlib
import hmac
import json
import os
import signal
import sys
import threading

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

USER = b"tester"
PASSWORD = b"s3cret"


class StoreHandler:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, str(self.count))
        with open(base + ".eml.part", "wb") as out:
            out.write(envelope.original_content or envelope.content)
        with open(base + ".json", "w") as out:
            json.dump({"mail_from": envelope.mail_from,
                       "rcpt_tos": envelope.rcpt_tos,
                       "helo": session.host_name,
                       "auth": (session.auth_data.decode("latin-1")
                                if isinstance(session.auth_data, bytes)
                                else None)}, out)
        os.rename(base + ".eml.part", base + ".eml")
        return "250 OK"


def authenticate(server, session, envelope, mechanism, auth_data):
    if isinstance(auth_data, LoginPassword):
        ok = auth_data.login == USER and auth_data.password == PASSWORD
        # Not "handled": a refusal is answered with 535.
        return AuthResult(success=ok, handled=False, auth_data=auth_data.login if ok else None)
    return AuthResult(success=False, handled=False)


class AuthSMTP(SMTP):
    async def auth_CRAM__MD5(self, server, args):
        challenge = b"<1896.697170952@loopback.test>"
        response = await self.challenge_auth(challenge)
        if response is None or isinstance(response, bytes) is False:
            return AuthResult(success=False)
        try:
            user, digest = response.split(b" ", 1)
        except ValueError:
            return AuthResult(success=False)
        expected = hmac.new(PASSWORD, challenge, hashlib.md5).hexdigest().encode()
        ok = user == USER and hmac.compare_digest(digest, expected)
        return AuthResult(success=ok, handled=False, auth_data=user if ok else None)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--auth", action="store_true")
    parser.add_argument("--exclude", action="append", default=[])
    options = parser.parse_args()

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    handler = StoreHandler(options.folder)

    def factory():
        if options.auth:
            return AuthSMTP(handler, hostname="loopback.test", authenticator=authenticate,
                            auth_require_tls=False, loop=loop,
                            auth_exclude_mechanism=options.exclude)
        return SMTP(handler, hostname="loopback.test", loop=loop)

    server = loop.run_until_complete(loop.create_server(factory, "127.0.0.1", 0))
    print(server.sockets[0].getsockname()[1], flush=True)

    def watch_input():
        sys.stdin.read()
        loop.call_soon_threadsafe(loop.stop)

    threading.Thread(target=watch_input, daemon=True).start()
    loop.add_signal_handler(signal.SIGTERM, loop.stop)
    loop.run_forever()
    server.close()


if __name__ == "__main__":
    main()
