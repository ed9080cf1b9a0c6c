// The POP3 states of the protocol driver: log-in, the count and sizes of
// messages, downloads into a file (decoded) or into the caller's buffer,
// unique ids and deletion.
#include <cstdlib>
#include <cstring>

#include "maillib/mail_codecs.h"
#include "maillib/mail_driver.h"
#include "maillib/mail_library.h"

namespace maillib {

namespace {

// The n-th number (from 0) in a reply after its status word.
long NumberInReply(const std::string& reply, int n) {
  const char* p = reply.c_str();
  while (*p != '\0' && *p != ' ') ++p;
  for (int i = 0; *p != '\0'; ++i) {
    while (*p == ' ') ++p;
    char* end = nullptr;
    const long value = std::strtol(p, &end, 10);
    if (end == p) return -1;
    if (i == n) return value;
    p = end;
  }
  return -1;
}

}  // namespace

int TMailDriver::TakeMessageLine(const std::string& line) {
  if (channel_.decoder) {
    channel_.decoder->DecodeLine(line);
    channel_.bytesDecoded = channel_.decoder->BytesDecoded();
  } else if (channel_.messageOut) {
    std::fwrite(line.data(), 1, line.size(), channel_.messageOut.get());
  }
  return 0;
}

int TMailDriver::TakeBufferLine(const std::string& line) {
  TMailChannel& c = channel_;
  ++c.linesReturned;
  if (c.userBuffer == nullptr || c.userBufferSize <= 0) return 0;
  const std::size_t room = static_cast<std::size_t>(c.userBufferSize - 1 - c.userBufferUsed);
  const std::size_t copied = std::min(room, line.size());
  std::memcpy(c.userBuffer + c.userBufferUsed, line.data(), copied);
  c.userBufferUsed += static_cast<int>(copied);
  c.userBuffer[c.userBufferUsed] = '\0';
  return 0;
}

int TMailDriver::RunPop3(int state) {
  TMailChannel& c = channel_;
  int r = 0;
  switch (state) {
    case 301:
      if ((r = Pop3Reply()) < 0) return r;
      c.greeting = c.lastReply;
      Log("Greeting seen\r\n");
      return c.useApop ? 302 : 303;
    case 302: {
      const std::size_t open = c.greeting.find('<');
      const std::size_t close = c.greeting.find('>', open);
      if (open == std::string::npos || close == std::string::npos) return Fail(0, -57);
      const std::string stamp = c.greeting.substr(open, close - open + 1);
      return (r = Command("APOP " + c.user + " " + MailHexDigest(MailMd5(stamp + c.pop3Password)))) < 0 ? r : 306;
    }
    case 303: return (r = Command("USER " + c.user)) < 0 ? r : 304;
    case 304: return (r = Pop3Reply()) < 0 ? r : 305;
    case 305: return (r = Command("PASS " + c.pop3Password)) < 0 ? r : 306;
    case 306: return (r = Pop3Reply()) < 0 ? r : kMailDone;
    case 307: return (r = Command("STAT")) < 0 ? r : 308;
    case 308:
      if ((r = Pop3Reply()) < 0) return r;
      c.messageCount = static_cast<int>(NumberInReply(c.lastReply, 0));
      return c.messageCount < 0 ? Fail(0, -63) : kMailDone;
    case 315:
      if (c.subStep == 0) {
        if ((r = Command("DELE " + std::to_string(c.messageNumber))) < 0) return r;
        c.subStep = 1;
        return 315;
      }
      c.subStep = 0;
      return (r = Pop3Reply()) < 0 ? r : kMailDone;
    case 317: return (r = Command("LIST " + std::to_string(c.messageNumber))) < 0 ? r : 318;
    case 318:
      if ((r = Pop3Reply()) < 0) return r;
      c.messageSize = static_cast<int>(NumberInReply(c.lastReply, 1));
      return c.messageSize < 0 ? Fail(0, -63) : kMailDone;
    case 320: {
      const std::string command = c.messageNumber == 0 ? "UIDL" : "UIDL " + std::to_string(c.messageNumber);
      return (r = Command(command)) < 0 ? r : 321;
    }
    case 321:
      if (c.subStep == 0) {
        if ((r = Pop3Reply()) < 0) return r;
        if (c.messageNumber != 0) {
          // "+OK n id": the text after the status word.
          const std::size_t blank = c.lastReply.find(' ');
          TakeBufferLine(blank == std::string::npos ? std::string() : c.lastReply.substr(blank + 1));
          return kMailDone;
        }
        c.subStep = 1;
      }
      if ((r = Pop3Lines(&TMailDriver::TakeBufferLine)) < 0) return r;
      if (r == 0) return 321;
      c.subStep = 0;
      return kMailDone;
    case 398: return (r = Command(c.rawCommand)) < 0 ? r : 399;
    case 399: return (r = Pop3Reply()) < 0 ? r : kMailDone;
    default: return RunPop3Download(state);
  }
}

int TMailDriver::RunPop3Download(int state) {
  TMailChannel& c = channel_;
  const TMailGlobals& g = library_.Globals();
  int r = 0;
  switch (state) {
    case 310: {
      c.messagePath = c.messageFolder;
      if (!c.messagePath.empty() && c.messagePath.back() != '/' && c.messagePath.back() != '\\') c.messagePath += '/';
      c.messagePath += c.messageFile;
      Log("Saving email to '" + c.messagePath + "'\r\n");
      c.StopTransfers();
      c.messageOut.reset(std::fopen(c.messagePath.c_str(), "wb"));
      if (!c.messageOut) return Fail(0, -67);
      TMailDecoderSettings settings;
      settings.attachmentFolder = c.attachmentFolder;
      settings.disabled = c.decodeMode != 0;
      settings.autoSave = c.autoSave;
      settings.numberedNames = c.numberedNames;
      settings.omitSavedLine = g.omitSavedLine;
      settings.listSeparator = g.attachmentSeparator;
      std::FILE* out = c.messageOut.get();
      TMailLibrary* library = &library_;
      const int number = number_;
      c.decoder = std::make_unique<TMailDecoder>(
          settings, [out](std::string_view text) { std::fwrite(text.data(), 1, text.size(), out); },
          [library, number](std::string_view text) { library->WriteLog(number, std::string(text)); });
      c.subStep = 0;
      return (r = Command("RETR " + std::to_string(c.messageNumber))) < 0 ? r : 312;
    }
    case 311:
      Log("[Saving to buffer]\r\n");
      c.subStep = 0;
      return (r = Command("TOP " + std::to_string(c.messageNumber) + " " + std::to_string(c.topLines))) < 0 ? r
                                                                                                              : 314;
    case 309:
    case 312:
    case 314: {
      if (c.subStep == 0) {
        if ((r = Pop3Reply()) < 0) return r;
        c.subStep = 1;
      }
      const bool toFile = state != 314;
      if ((r = Pop3Lines(toFile ? &TMailDriver::TakeMessageLine : &TMailDriver::TakeBufferLine)) < 0) return r;
      if (r == 0) return state;
      c.subStep = 0;
      if (toFile) Log("[EOF1]\r\n");
      return 313;
    }
    case 313:
      if (c.decoder) {
        c.decoder->Finish();
        c.attachmentsSaved += c.decoder->AttachmentsSaved();
        c.savedAttachmentNames = c.decoder->SavedNames();
        c.bytesDecoded = c.decoder->BytesDecoded();
        c.decoder.reset();
      }
      c.messageOut.reset();
      Log("[CLOSE]\r\n");
      return kMailDone;
    default: break;
  }
  Log("ERROR! Unknown state " + std::to_string(state) + "\r\n");
  return Fail(0, -47);
}

}  // namespace maillib
