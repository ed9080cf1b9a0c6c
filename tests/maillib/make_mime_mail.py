#!/usr/bin/python3
"""Writes a multipart mail made by Python's email package, for the mail
library's download tests: a text body, a binary attachment, a text
attachment whose name holds a path, and an image; lines end in CR LF."""
import email.policy
import sys
from email.message import EmailMessage

message = EmailMessage()
message["From"] = "Sender <sender@example.org>"
message["To"] = "Reader <reader@example.org>"
message["Subject"] = "Caf\u00e9 report"
message.set_content("Hello reader,\n.leading dot line\nsee the files.\n")
message.add_attachment(bytes(range(256)) * 3, maintype="application", subtype="octet-stream",
                       filename="report.bin")
message.add_attachment("line one\nline two\n", subtype="plain", filename="../../evil:notes.txt")
message.add_attachment(b"GIF89a\x00\x01\x02", maintype="image", subtype="gif", filename="pic.gif",
                       disposition="inline")
with open(sys.argv[1], "wb") as out:
    out.write(message.as_bytes(policy=email.policy.SMTP))
