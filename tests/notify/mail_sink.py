"""A mail sink for tests: an SMTP server on 127.0.0.1 at a free port, which it prints on its first
line, keeping each message it receives in FOLDER as NNN.txt: the envelope, the headers as a mail
reader decodes them, and the decoded text."""
import asyncio
import email
import email.policy
import os
import sys

from aiosmtpd.smtp import SMTP


class Keep:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        raw = envelope.original_content or envelope.content
        message = email.message_from_bytes(raw, policy=email.policy.default)
        lines = [
            "Envelope-From: " + envelope.mail_from,
            "Envelope-To: " + ", ".join(envelope.rcpt_tos),
        ]
        for name in ("Date", "Message-ID", "From", "To", "Subject", "Content-Type"):
            lines.append(name + ": " + str(message.get(name, "")))
        lines.append("")
        lines.append(message.get_content())
        path = os.path.join(self.folder, "%03d.txt" % self.count)
        # Whole or not at all: the test reads a file as soon as it appears.
        with open(path + ".part", "w", encoding="utf-8") as out:
            out.write("\n".join(lines))
        os.replace(path + ".part", path)
        return "250 OK"


async def main(folder):
    loop = asyncio.get_running_loop()
    handler = Keep(folder)
    server = await loop.create_server(lambda: SMTP(handler), "127.0.0.1", 0)
    print(server.sockets[0].getsockname()[1], flush=True)
    await server.serve_forever()


asyncio.run(main(sys.argv[1]))
