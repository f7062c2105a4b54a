"""A local SMTP server for the mail tests, on Debian's aiosmtpd.

Listens on 127.0.0.1 (port 0: a free port), prints "listening on 127.0.0.1:PORT"
once it accepts connections, and saves every message it accepts into FOLDER as
N.eml (the bytes received, dot-unstuffed) and N.env (MAIL FROM, then one RCPT TO
per line, then the account that authenticated). AUTH PLAIN and LOGIN are offered
without TLS and accept only the given account. --delay-data holds the answer to
DATA for that many seconds, a slow relay.
"""

import argparse
import asyncio
import logging
import os
import signal
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class SavingHandler:
    def __init__(self, folder, delay):
        self.folder = folder
        self.delay = delay
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        if self.delay > 0:
            await asyncio.sleep(self.delay)
        self.count += 1
        base = os.path.join(self.folder, str(self.count))
        with open(base + ".eml.part", "wb") as f:
            f.write(envelope.original_content or b"")
        login = ""
        if isinstance(session.auth_data, LoginPassword):
            login = session.auth_data.login.decode("utf-8", "replace")
        with open(base + ".env.part", "w", encoding="utf-8") as f:
            f.write(envelope.mail_from + "\n")
            for rcpt in envelope.rcpt_tos:
                f.write(rcpt + "\n")
            f.write("auth:" + login + "\n")
        # Complete files only: a reader never sees half a message.
        os.replace(base + ".env.part", base + ".env")
        os.replace(base + ".eml.part", base + ".eml")
        return "250 OK"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--user", default="")
    parser.add_argument("--password", default="")
    parser.add_argument("--delay-data", type=float, default=0.0)
    args = parser.parse_args()
    # AUTH without TLS is what this local test server is for.
    warnings.simplefilter("ignore")
    logging.basicConfig(level=logging.ERROR)
    logging.getLogger("mail.log").setLevel(logging.ERROR)

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login.decode() == args.user
              and auth_data.password.decode() == args.password)
        return AuthResult(success=ok, handled=False, auth_data=auth_data)

    handler = SavingHandler(args.folder, args.delay_data)
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)

    def factory():
        return SMTP(handler, hostname="sink.test", auth_require_tls=False,
                    authenticator=authenticator if args.user else None,
                    auth_required=bool(args.user), loop=loop)

    server = loop.run_until_complete(
        loop.create_server(factory, host="127.0.0.1", port=args.port))
    port = server.sockets[0].getsockname()[1]
    print("listening on 127.0.0.1:%d" % port, flush=True)
    loop.add_signal_handler(signal.SIGTERM, loop.stop)
    loop.add_signal_handler(signal.SIGINT, loop.stop)
    loop.run_forever()
    server.close()
    loop.run_until_complete(server.wait_closed())
    return 0


if __name__ == "__main__":
    sys.exit(main())
