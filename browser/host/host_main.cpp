// fetchly-native-host: the browser extension's way into the running program.
// The browser starts it with our extension's origin (Chromium) or id
// (Firefox); it reads framed JSON messages from stdin until stdin closes and
// answers each with one framed reply, handing every download to Fetchly on
// the session bus (the bus starts Fetchly when needed).
#include "app/automation/automation_server.h"
#include "app/core/app_options.h"
#include "app/core/app_paths.h"
#include "app/core/ini_file.h"
#include "browser/host/host_message_handler.h"
#include "browser/host/native_framing.h"
#include "browser/host/native_host_check.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 2 && arguments[1] == QLatin1String("--check"))
        return fetchly::host::RunHostCheck(QCoreApplication::applicationFilePath());

    if (!fetchly::host::CallerAllowed(arguments)) {
        std::fprintf(stderr, "fetchly-native-host: started by an unknown extension; only Fetchly's own may "
                             "use this host\n");
        return 1;
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    fetchly::host::THostCalls calls;
    calls.add = [&bus](const fetchly::automation::TDownloadRequest &request) {
        // A bare link goes the way it always went, which every Fetchly
        // still running from before understands.
        if (request.Headers.empty() && request.FileName.empty() && !request.StartNow)
            return fetchly::automation::CallAddDownLoadUrl(bus, QString::fromStdString(request.Url), true);
        bool taken = false;
        const QString error = fetchly::automation::CallAddDownloadRequest(bus, request, true, taken);
        if (error.isEmpty() && !taken)
            return QStringLiteral("Fetchly does not accept this link (its type, or what came with it)");
        return error;
    };
    // Read-only: the running program owns the file and writes it.
    calls.linkTypes = [] {
        const fetchly::TIniFile ini(fetchly::ProfilePath("Fetchly.ini"));
        return fetchly::ReadAppOptions(ini, fetchly::TAppOptions()).LinkTypes.Types;
    };

    using fetchly::host::TFrameStatus;
    for (;;) {
        const fetchly::host::TFrame frame = fetchly::host::ReadFrame(STDIN_FILENO);
        QByteArray reply;
        switch (frame.status) {
        case TFrameStatus::Message:
            reply = fetchly::host::HandleHostMessage(QByteArray::fromStdString(frame.bytes), calls);
            break;
        case TFrameStatus::TooLarge:
            reply = fetchly::host::ErrorReply(
                QStringLiteral("the message is larger than 1 MiB (%1 bytes)").arg(frame.declaredLength));
            break;
        case TFrameStatus::EndOfInput:
            return 0;
        case TFrameStatus::Truncated:
            std::fprintf(stderr, "fetchly-native-host: the input ended inside a message\n");
            return 1;
        case TFrameStatus::ReadError:
            std::perror("fetchly-native-host: reading stdin");
            return 1;
        }
        if (!fetchly::host::WriteFrame(STDOUT_FILENO, reply.toStdString()))
            return 1;
    }
}
