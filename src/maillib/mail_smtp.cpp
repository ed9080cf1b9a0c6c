// The SMTP states of the protocol driver: greeting and authentication, the
// envelope, the headers, the body and the attachments of a message.
#include <cstdio>
#include <fstream>
#include <iterator>

#include "maillib/mail_codecs.h"
#include "maillib/mail_driver.h"
#include "maillib/mail_library.h"

namespace maillib {

namespace {

// The name a client greets with when the "From" address has no domain.
constexpr const char* kDefaultGreetingName = "localhost";
constexpr const char* kMailer = "X-Mailer: DVX Mail Engine Version 3.4";

constexpr int kAttachmentTypeLines = 0;
constexpr int kAttachmentEncodingLine = 1;
constexpr int kAttachmentDispositionLine = 2;

bool HasWord(const std::string& text, const std::string& word) {
  auto lower = [](std::string s) {
    for (char& c : s) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
  };
  return lower(text).find(lower(word)) != std::string::npos;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

std::string TMailDriver::Greeting() const {
  const std::string& from = channel_.from;
  const std::size_t at = from.find('@');
  if (at == std::string::npos) return kDefaultGreetingName;
  const std::string domain = from.substr(at + 1, from.find('>', at) - at - 1);
  return domain.empty() ? kDefaultGreetingName : MailHeaderValue(domain);
}

bool TMailDriver::NeedsMime() const {
  return !channel_.attachments.empty() || channel_.bodyFormat != kFormatPlain ||
         library_.Memory().InUse(number_, kSlotAlternateText);
}

// After "From:" (and "Reply-To:") the next header present: the subject
// (which also carries the extra header lines), the CC list, or the MIME
// headers or the blank line.
int TMailDriver::AfterFrom() {
  if (!channel_.replyTo.empty() && channel_.thisState == 225) return 226;
  if (*Text(kSlotSubject) != '\0' || *Text(kSlotExtraHeaders) != '\0') return 227;
  return *Text(kSlotCc) != '\0' ? 228 : AfterCc();
}

int TMailDriver::AfterCc() const { return NeedsMime() ? 229 : 233; }

int TMailDriver::Authenticate() {
  const std::string& reply = channel_.greeting;
  if (!channel_.useEhlo || channel_.user.empty()) return kMailDone;
  // The mechanisms a server offers are on its "AUTH" lines.
  std::string offered;
  std::size_t start = 0;
  while (start < reply.size()) {
    const std::size_t end = std::min(reply.find('\n', start), reply.size());
    const std::string line = " " + reply.substr(start, end - start);
    if (HasWord(line, "AUTH")) offered += line;
    start = end + 1;
  }
  if (offered.empty()) return kMailDone;
  if (HasWord(offered, " CRAM-MD5")) return 150;
  if (HasWord(offered, " LOGIN") || HasWord(offered, "=LOGIN")) return 160;
  if (HasWord(offered, " PLAIN")) return 170;
  return kMailDone;
}

// The next recipient of the current list from the place reached in it, or
// of the next list that has one; 209 when all have been named.
int TMailDriver::NextRecipient(int state) {
  TMailChannel& c = channel_;
  const int slots[] = {kSlotTo, kSlotCc, kSlotBcc};
  while (c.listIndex < 3) {
    const std::string list = Text(slots[c.listIndex]);
    const std::size_t open = list.find('<', c.listPosition);
    if (open != std::string::npos) {
      if (state == 206) return 207;
      return 206;
    }
    ++c.listIndex;
    c.listPosition = 0;
  }
  return state == 206 ? Fail(0, -37) : 209;
}

int TMailDriver::RunSmtp(int state) {
  TMailChannel& c = channel_;
  const TMailGlobals& g = library_.Globals();
  if (state >= 221 && state <= 238) return RunSmtpHeaders(state);
  if ((state >= 240 && state <= 252) || (state >= 400 && state <= 402)) return RunSmtpBody(state);
  if (state >= 260 && state <= 267) return RunSmtpAttachment(state);
  int r = 0;
  switch (state) {
    case 201:
      if ((r = SmtpReply()) < 0) return r;
      c.nextAction = MailTicks() + static_cast<uint64_t>(g.stepPauseMs);
      return 202;
    case 202:
      if ((r = Command(std::string(c.useEhlo ? "EHLO " : "HELO ") + Greeting())) < 0) return r;
      c.nextAction = MailTicks() + static_cast<uint64_t>(2 * g.stepPauseMs + 200);
      return 203;
    case 203:
      if ((r = SmtpReply()) < 0) return r;
      return Authenticate();
    case 150: return (r = Command("AUTH CRAM-MD5")) < 0 ? r : 151;
    case 151: {
      if ((r = SmtpReply()) < 0) return r;
      const std::string text = c.lastReply.size() > 4 ? c.lastReply.substr(4) : std::string();
      const std::vector<uint8_t> challenge = MailDecodeBase64(text);
      c.challenge.assign(challenge.begin(), challenge.end());
      Log("Challenge '" + c.challenge + "'\r\n");
      return 152;
    }
    case 152: {
      const std::string answer = c.user + " " + MailHexDigest(MailHmacMd5(c.challenge, c.smtpPassword));
      return (r = Command(MailEncodeBase64(answer))) < 0 ? r : 153;
    }
    case 153:
      if ((r = SmtpReply()) < 0) return r;
      Log("AUTH CRAM-MD5 ok\r\n");
      return kMailDone;
    case 160: return (r = Command("AUTH LOGIN")) < 0 ? r : 162;
    case 162:
      if ((r = SmtpReply()) < 0) return r;
      return (r = Command(MailEncodeBase64(c.user))) < 0 ? r : 163;
    case 163:
      if ((r = SmtpReply()) < 0) return r;
      return (r = Command(MailEncodeBase64(c.smtpPassword))) < 0 ? r : 164;
    case 164:
      if ((r = SmtpReply()) < 0) return r;
      Log("AUTH LOGIN ok\r\n");
      return kMailDone;
    case 170: {
      const std::string plain = c.user + std::string(1, '\0') + c.user + std::string(1, '\0') + c.smtpPassword;
      return (r = Command("AUTH PLAIN " + MailEncodeBase64(plain))) < 0 ? r : 171;
    }
    case 171:
      if ((r = SmtpReply()) < 0) return r;
      Log("AUTH PLAIN ok\r\n");
      return kMailDone;
    case 204: {
      if (c.from.empty()) return Fail(0, -40);
      const std::size_t open = c.from.find('<');
      if (open == std::string::npos) return Fail(0, -41);
      const std::size_t close = c.from.find('>', open);
      return (r = Command("MAIL FROM:" + c.from.substr(open, close == std::string::npos ? close : close - open + 1))) < 0
                 ? r
                 : 205;
    }
    case 205:
      if ((r = SmtpReply()) < 0) return r;
      c.listIndex = 0;
      c.listPosition = 0;
      return 206;
    case 206: return NextRecipient(206);
    case 207: {
      const int slots[] = {kSlotTo, kSlotCc, kSlotBcc};
      const std::string list = Text(slots[c.listIndex]);
      const std::size_t open = list.find('<', c.listPosition);
      std::size_t end = list.find('>', open);
      const std::size_t separator = list.find(g.addressSeparator, open);
      if (end == std::string::npos || (separator != std::string::npos && separator < end)) end = separator - 1;
      c.listPosition = end == std::string::npos ? list.size() : end + 1;
      const std::string address = MailHeaderValue(list.substr(open, end == std::string::npos ? end : end - open + 1));
      return (r = Command("RCPT TO:" + address)) < 0 ? r : 208;
    }
    case 208:
      if ((r = SmtpReply()) < 0) return r;
      return NextRecipient(208);
    case 209: return (r = Command("DATA")) < 0 ? r : 210;
    case 210:
      if ((r = SmtpReply()) < 0) return r;
      return 221;
    case 258: return (r = Command("QUIT")) < 0 ? r : 259;
    case 259:
      if ((r = c.mode == 'P' ? Pop3Reply() : SmtpReply()) < 0) return r;
      library_.Sockets().Close(c.socket);
      c.socket = -1;
      library_.Memory().Free(number_, kSlotTo, kSlotAlternateText);
      c.mode = 0;
      c.closing = false;
      return kMailDone;
    case 270: return (r = Command("VRFY " + MailHeaderValue(Text(kSlotTo)))) < 0 ? r : 271;
    case 271:
      r = SmtpReply();
      c.verifyCode = c.replyCode;
      return r < 0 ? r : kMailDone;
    case 298: return (r = Command(MailHeaderValue(c.rawCommand))) < 0 ? r : 299;
    case 299: return (r = SmtpReply()) < 0 ? r : kMailDone;
    default: break;
  }
  Log("ERROR! Unknown state " + std::to_string(state) + "\r\n");
  return Fail(0, -47);
}

int TMailDriver::RunSmtpHeaders(int state) {
  TMailChannel& c = channel_;
  const TMailGlobals& g = library_.Globals();
  const std::string& boundary = library_.Boundary();
  const bool alternate = library_.Memory().InUse(number_, kSlotAlternateText);
  int r = 0;
  switch (state) {
    case 221: return (r = SendData(kMailer)) < 0 ? r : 223;
    case 223: return (r = SendData(MailDateHeader())) < 0 ? r : (g.omitToHeader ? 225 : 224);
    case 224: return (r = SendData("To: " + MailHeaderValue(Text(kSlotTo)))) < 0 ? r : 225;
    case 225: return (r = SendData("From: " + MailHeaderValue(c.from))) < 0 ? r : AfterFrom();
    case 226: return (r = SendData("Reply-To: " + MailHeaderValue(c.replyTo))) < 0 ? r : AfterFrom();
    case 227: {
      if ((r = SendData("Subject: " + MailHeaderValue(Text(kSlotSubject)))) < 0) return r;
      const std::string extra = Text(kSlotExtraHeaders);
      std::size_t start = 0;
      while (start < extra.size()) {
        const std::size_t end = std::min(extra.find("\r\n", start), extra.size());
        const std::string line = MailHeaderValue(extra.substr(start, end - start));
        if (!line.empty() && (r = SendData(line)) < 0) return r;
        start = end + 2;
      }
      return *Text(kSlotCc) != '\0' ? 228 : AfterCc();
    }
    case 228: return (r = SendData("CC: " + MailHeaderValue(Text(kSlotCc)))) < 0 ? r : AfterCc();
    case 229: return (r = SendData("MIME-Version: 1.0")) < 0 ? r : 230;
    case 230: {
      std::string line;
      if (c.bodyFormat != kFormatHtml) {
        line = "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"";
      } else if (alternate) {
        line = "Content-Type: multipart/related;type=\"multipart/alternative\";";
        if ((r = SendData(line)) < 0) return r;
        line = " boundary=\"" + boundary + "\"";
      } else {
        line = "Content-Type: multipart/related; boundary=\"" + boundary + "\"";
      }
      return (r = SendData(line)) < 0 ? r : 233;
    }
    case 233: return (r = SendData("")) < 0 ? r : (NeedsMime() ? 234 : 238);
    case 234:
      if ((r = SendData("--" + boundary)) < 0) return r;
      if (!alternate) return 236;
      if ((r = SendData("Content-Type: multipart/alternative; boundary=\"" + boundary + "ALT===\"")) < 0) return r;
      if ((r = SendData("")) < 0) return r;
      return (r = SendData("--" + boundary + "ALT===")) < 0 ? r : 400;
    case 236: {
      if ((r = SendData(MailBodyContentType(c.bodyFormat, g.contentTypeLine))) < 0) return r;
      return MailFormatIsQuoted(c.bodyFormat) ? 237 : 238;
    }
    case 237: {
      const std::string line = g.transferEncodingLine.empty() ? "Content-Transfer-Encoding: quoted-printable"
                                                              : MailHeaderValue(g.transferEncodingLine);
      return (r = SendData(line)) < 0 ? r : 238;
    }
    case 238: {
      if ((r = SendData("")) < 0) return r;
      const std::string message = Text(kSlotMessage);
      return (!message.empty() && message[0] == '@') ? 244 : 240;
    }
    default: break;
  }
  return Fail(0, -47);
}

int TMailDriver::RunSmtpBody(int state) {
  TMailChannel& c = channel_;
  const TMailGlobals& g = library_.Globals();
  const std::string& boundary = library_.Boundary();
  const bool alternate = library_.Memory().InUse(number_, kSlotAlternateText);
  const TLineMakerSettings settings{c.bodyFormat, g.longestLine, g.wrapColumn, g.keep8Bit};
  int r = 0;
  std::string line;
  switch (state) {
    case 400:
      if ((r = SendData("Content-Type: text/plain")) < 0 || (r = SendData("")) < 0) return r;
      c.lines = std::make_unique<TMailLineMaker>(Text(kSlotAlternateText), TLineMakerSettings{
                                                                               kFormatPlain, g.longestLine,
                                                                               g.wrapColumn, g.keep8Bit});
      return 401;
    case 401:
      if (c.lines->Next(line)) return (r = SendData(line)) < 0 ? r : 401;
      // The line end before a boundary belongs to the boundary.
      if (c.lines->EndsWithLineEnd() && (r = SendData("")) < 0) return r;
      c.lines.reset();
      return 402;
    case 402: return (r = SendData("--" + boundary + "ALT===")) < 0 ? r : 236;
    case 240:
      c.lines = std::make_unique<TMailLineMaker>(Text(kSlotMessage), settings);
      return 241;
    case 244: {
      const std::string path = Text(kSlotMessage) + 1;
      Log("Opening message file [" + path + "]\r\n");
      std::string text;
      if (!ReadWholeFile(path, text)) return Fail(0, -35);
      c.lines = std::make_unique<TMailLineMaker>(std::move(text), settings);
      return 241;
    }
    case 241:
      if (c.lines->Next(line)) {
        if ((r = SendData(line)) < 0) return r;
        c.nextAction = g.downloadPauseMs > 0 ? MailTicks() + static_cast<uint64_t>(g.downloadPauseMs) : 0;
        c.deadline = MailTicks() + static_cast<uint64_t>(g.downloadLimitMs);
        return 241;
      }
      c.textEndedWithLineEnd = c.lines->EndsWithLineEnd();
      c.lines.reset();
      return 245;
    case 245:
      if (NeedsMime() && c.textEndedWithLineEnd && (r = SendData("")) < 0) return r;
      if (alternate && (r = SendData("--" + boundary + "ALT===--")) < 0) return r;
      if (!c.attachments.empty()) return 260;
      return NeedsMime() ? 251 : 252;
    case 251: return (r = SendData("--" + boundary + "--")) < 0 ? r : 252;
    case 252:
      if (c.subStep == 0) {
        if ((r = Command(".")) < 0) return r;
        c.subStep = 1;
        return 252;
      }
      c.subStep = 0;
      return (r = SmtpReply()) < 0 ? r : kMailDone;
    default: break;
  }
  return Fail(0, -47);
}

// The header lines of an attachment part come in three steps: its type (with
// the Content-ID of an image), its transfer encoding, its disposition.
int TMailDriver::SendAttachmentHeaders(const TMailAttachment& attachment, int group) {
  const std::vector<std::string> headers =
      MailAttachmentHeaders(attachment, channel_.imagesSent, channel_.bodyFormat == kFormatQuoted);
  for (const std::string& header : headers) {
    const bool encoding = header.rfind("Content-Transfer-Encoding:", 0) == 0;
    const bool disposition = header.rfind("Content-Disposition:", 0) == 0;
    const int lineGroup = encoding ? kAttachmentEncodingLine
                                   : (disposition ? kAttachmentDispositionLine : kAttachmentTypeLines);
    if (lineGroup != group) continue;
    if (const int r = SendData(header, false); r < 0) return r;
  }
  return 0;
}

int TMailDriver::RunSmtpAttachment(int state) {
  TMailChannel& c = channel_;
  const TMailGlobals& g = library_.Globals();
  const std::string& boundary = library_.Boundary();
  if (c.attachmentIndex >= c.attachments.size()) return Fail(0, -47);
  const TMailAttachment& a = c.attachments[c.attachmentIndex];
  const bool more = c.attachmentIndex + 1 < c.attachments.size();
  int r = 0;
  switch (state) {
    case 260: return (r = SendData("--" + boundary)) < 0 ? r : 261;
    case 261:
      if (a.kind == MailAttachmentKind::kImage) ++c.imagesSent;
      return (r = SendAttachmentHeaders(a, kAttachmentTypeLines)) < 0 ? r : 262;
    case 262: return (r = SendAttachmentHeaders(a, kAttachmentEncodingLine)) < 0 ? r : 263;
    case 263:
      if ((r = SendAttachmentHeaders(a, kAttachmentDispositionLine)) < 0) return r;
      return (r = SendData("")) < 0 ? r : 264;
    case 264:
      if (a.kind == MailAttachmentKind::kText) {
        std::string text;
        if (!ReadWholeFile(a.path, text)) return Fail(0, -35);
        const int format = c.bodyFormat == kFormatQuoted ? kFormatQuoted : kFormatPlain;
        c.lines = std::make_unique<TMailLineMaker>(std::move(text), TLineMakerSettings{
                                                                        format, g.longestLine, g.wrapColumn,
                                                                        g.keep8Bit});
        return 267;
      }
      c.sendFile.reset(std::fopen(a.path.c_str(), "rb"));
      if (!c.sendFile) return Fail(0, -35);
      return 265;
    case 265: {
      char block[57];
      const std::size_t got = std::fread(block, 1, sizeof(block), c.sendFile.get());
      if (got > 0) {
        if ((r = SendData(MailEncodeBase64(std::string_view(block, got)), true)) < 0) return r;
        c.deadline = MailTicks() + static_cast<uint64_t>(g.downloadLimitMs);
        if (got == sizeof(block)) return 265;
      }
      if (std::ferror(c.sendFile.get())) return Fail(0, -35);
      c.sendFile.reset();
      break;
    }
    case 267: {
      std::string line;
      if (c.lines->Next(line)) return (r = SendData(line, true)) < 0 ? r : 267;
      if (c.lines->EndsWithLineEnd() && (r = SendData("", true)) < 0) return r;
      c.lines.reset();
      break;
    }
    default: return Fail(0, -47);
  }
  if (!more) return 251;
  ++c.attachmentIndex;
  return 260;
}

}  // namespace maillib
