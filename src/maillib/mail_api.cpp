#include "maillib/mail_api.h"

namespace maillib {

int32_t mailAttach(TMailLibrary& library, int channels) { return library.Attach(channels); }

int32_t mailRelease(TMailLibrary& library) { return library.Release(); }

int32_t mailSmtpConnect(TMailLibrary& library, int channel, const char* server, const char* from,
                        const char* replyTo) {
  return library.SmtpConnect(channel, server, from, replyTo);
}

int32_t mailSendEmail(TMailLibrary& library, int channel, const char* to, const char* cc, const char* bcc,
                      const char* subject, const char* message, const char* attachments) {
  return library.SendEmail(channel, to, cc, bcc, subject, message, attachments);
}

int32_t mailVerifyUser(TMailLibrary& library, int channel, const char* address) {
  return library.VerifyUser(channel, address);
}

int32_t mailPop3Connect(TMailLibrary& library, int channel, const char* server, const char* user,
                        const char* password) {
  return library.Pop3Connect(channel, server, user, password);
}

int32_t mailGetEmailCount(TMailLibrary& library, int channel) { return library.GetEmailCount(channel); }

int32_t mailGetEmailSize(TMailLibrary& library, int channel, int message) {
  return library.GetEmailSize(channel, message);
}

int32_t mailGetEmailLines(TMailLibrary& library, int channel, int message, int lines, char* buffer, int size) {
  return library.GetEmailLines(channel, message, lines, buffer, size);
}

int32_t mailGetEmailFile(TMailLibrary& library, int channel, int message, const char* file, const char* folder,
                         const char* attachmentFolder) {
  return library.GetEmailFile(channel, message, file, folder, attachmentFolder);
}

int32_t mailGetEmailUID(TMailLibrary& library, int channel, int message, char* buffer, int size) {
  return library.GetEmailUID(channel, message, buffer, size);
}

int32_t mailDelete(TMailLibrary& library, int channel, int message) { return library.Delete(channel, message); }

int32_t mailCommand(TMailLibrary& library, int channel, const char* command) {
  return library.Command(channel, command);
}

int32_t mailClose(TMailLibrary& library, int channel) { return library.Close(channel); }

int32_t mailAbort(TMailLibrary& library, int channel) { return library.Abort(channel); }

int32_t mailIntegerParam(TMailLibrary& library, int channel, int index, long value) {
  return library.IntegerParam(channel, index, value);
}

int32_t mailStringParam(TMailLibrary& library, int channel, int index, const char* text) {
  return library.StringParam(channel, index, text);
}

int32_t mailDebug(TMailLibrary& library, int channel, int selector, char* buffer, int size) {
  return library.Debug(channel, selector, buffer, size);
}

int32_t MailChannelQuery(TMailLibrary& library, int channel, int selector) {
  return library.ChannelQuery(channel, selector);
}

int32_t MailErrorText(TMailLibrary& library, int channel, int code, char* buffer, int size) {
  return library.ErrorText(channel, code, buffer, size);
}

int32_t MailProtocolDriver(TMailLibrary& library, int channel) { return library.ProtocolDriver(channel); }

}  // namespace maillib
