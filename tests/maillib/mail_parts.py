#!/usr/bin/python3
"""Prints what Python's email package reads in a mail file, for the mail
library's tests: the main headers, every part's content type in walk order,
and each leaf part's type, file name, Content-ID, transfer encoding and
decoded bytes in hex; last the count of defects found."""
import email
import sys

with open(sys.argv[1], "rb") as source:
    message = email.message_from_binary_file(source)

for name in ("From", "To", "CC", "Bcc", "Reply-To", "Subject", "X-Mailer", "MIME-Version"):
    value = message.get(name)
    if value is not None:
        print("HEADER %s: %s" % (name, value))
print("DATE %s" % (email.utils.parsedate_tz(message.get("Date", "")) is not None))
defects = len(message.defects)
for part in message.walk():
    defects += len(part.defects)
    print("TREE %s" % part.get_content_type())
    if part.is_multipart():
        continue
    payload = part.get_payload(decode=True) or b""
    print("PART %s\t%s\t%s\t%s\t%s" % (part.get_content_type(), part.get_filename() or "-",
                                      part.get("Content-ID", "-"),
                                      part.get("Content-Transfer-Encoding", "-"), payload.hex()))
print("DEFECTS %d" % defects)
