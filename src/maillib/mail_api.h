// The mail library's flat interface: one function per operation, named as
// the library's callers know them, each taking the channel number first and
// answering a signed 32-bit result (see TMailLibrary for what each does).
// The library's state lives in the TMailLibrary the caller owns; it comes in
// front of the channel instead of living in the process.
#pragma once

#include <cstdint>

#include "maillib/mail_library.h"

namespace maillib {

int32_t mailAttach(TMailLibrary& library, int channels);
int32_t mailRelease(TMailLibrary& library);

int32_t mailSmtpConnect(TMailLibrary& library, int channel, const char* server, const char* from,
                        const char* replyTo);
int32_t mailSendEmail(TMailLibrary& library, int channel, const char* to, const char* cc, const char* bcc,
                      const char* subject, const char* message, const char* attachments);
int32_t mailVerifyUser(TMailLibrary& library, int channel, const char* address);

int32_t mailPop3Connect(TMailLibrary& library, int channel, const char* server, const char* user,
                        const char* password);
int32_t mailGetEmailCount(TMailLibrary& library, int channel);
int32_t mailGetEmailSize(TMailLibrary& library, int channel, int message);
int32_t mailGetEmailLines(TMailLibrary& library, int channel, int message, int lines, char* buffer, int size);
int32_t mailGetEmailFile(TMailLibrary& library, int channel, int message, const char* file, const char* folder,
                         const char* attachmentFolder);
int32_t mailGetEmailUID(TMailLibrary& library, int channel, int message, char* buffer, int size);
int32_t mailDelete(TMailLibrary& library, int channel, int message);

int32_t mailCommand(TMailLibrary& library, int channel, const char* command);
int32_t mailClose(TMailLibrary& library, int channel);
int32_t mailAbort(TMailLibrary& library, int channel);

int32_t mailIntegerParam(TMailLibrary& library, int channel, int index, long value);
int32_t mailStringParam(TMailLibrary& library, int channel, int index, const char* text);
// Channel -2 runs the memory check whatever the selector.
int32_t mailDebug(TMailLibrary& library, int channel, int selector, char* buffer, int size);
int32_t MailChannelQuery(TMailLibrary& library, int channel, int selector);
int32_t MailErrorText(TMailLibrary& library, int channel, int code, char* buffer, int size);
int32_t MailProtocolDriver(TMailLibrary& library, int channel);

}  // namespace maillib
