#include "app/automation/automation_server.h"

#include "app/automation/activation_file.h"
#include "app/automation/bus_names.h"
#include "app/automation/command_switches.h"
#include "fetchly_adder_adaptor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <exception>

namespace fetchly::automation {

TAutomationServer::TAutomationServer(QDBusConnection bus, TFetchlyAdder::AddUrlFn addUrl,
                                     TFetchlyAdder::ShowFn showWindow, TFetchlyAdder::AddRequestFn addRequest)
    : m_bus(std::move(bus)), m_adder(std::move(addUrl), std::move(showWindow), std::move(addRequest))
{
    // The adaptor belongs to the object and answers the interface's calls.
    new FetchlyAdderAdaptor(&m_adder);
}

TAutomationServer::~TAutomationServer()
{
    if (m_nameOwned && m_bus.isConnected())
        m_bus.unregisterService(QLatin1String(kServiceName));
    if (m_objectRegistered)
        m_bus.unregisterObject(QLatin1String(kObjectPath));
}

TAutomationServer::TPublishResult TAutomationServer::Publish()
{
    m_error.clear();
    if (!m_bus.isConnected()) {
        m_error = QStringLiteral("no session bus: ") + m_bus.lastError().message();
        return TPublishResult::Failed;
    }
    if (!m_objectRegistered) {
        m_objectRegistered =
            m_bus.registerObject(QLatin1String(kObjectPath), &m_adder, QDBusConnection::ExportAdaptors);
        if (!m_objectRegistered) {
            m_error = QStringLiteral("the bus refused the object %1").arg(QLatin1String(kObjectPath));
            return TPublishResult::Failed;
        }
    }
    QDBusConnectionInterface *busInterface = m_bus.interface();
    if (!busInterface) {
        m_error = QStringLiteral("the bus has no interface object");
        return TPublishResult::Failed;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        busInterface->registerService(QLatin1String(kServiceName), QDBusConnectionInterface::DontQueueService,
                                      QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid()) {
        m_error = QStringLiteral("cannot request the name %1: %2")
                      .arg(QLatin1String(kServiceName), reply.error().message());
        return TPublishResult::Failed;
    }
    if (reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        m_error = QStringLiteral("the name %1 belongs to another process").arg(QLatin1String(kServiceName));
        return TPublishResult::NameTaken;
    }
    m_nameOwned = true;
    return TPublishResult::Published;
}

namespace {

// Calls `method` of the service with `arguments`; the reply, or an error
// text when there is none.
QDBusMessage callService(QDBusConnection &bus, const char *method, const QVariantList &arguments,
                         bool startIfMissing, int timeoutMs, QString &error)
{
    if (!bus.isConnected()) {
        error = QStringLiteral("no session bus: ") + bus.lastError().message();
        return {};
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(QLatin1String(kServiceName), QLatin1String(kObjectPath),
                                       QLatin1String(kInterfaceName), QLatin1String(method));
    call.setArguments(arguments);
    call.setAutoStartService(startIfMissing);
    QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage)
        error = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    return reply;
}

} // namespace

QString CallAddDownLoadUrl(QDBusConnection bus, const QString &url, bool startIfMissing, int timeoutMs)
{
    QString error;
    callService(bus, kMethodName, {url}, startIfMissing, timeoutMs, error);
    return error;
}

QString CallAddDownloadRequest(QDBusConnection bus, const TDownloadRequest &request, bool startIfMissing,
                               bool &taken, int timeoutMs)
{
    RegisterDbusHeaderTypes();
    taken = false;
    QString error;
    const QDBusMessage reply =
        callService(bus, kRequestMethodName,
                    {QString::fromStdString(request.Url), QVariant::fromValue(ToDbusHeaders(request.Headers)),
                     QString::fromStdString(request.FileName), request.StartNow},
                    startIfMissing, timeoutMs, error);
    if (!error.isEmpty())
        return error;
    if (reply.arguments().size() != 1 || reply.arguments().front().metaType() != QMetaType::fromType<bool>())
        return QStringLiteral("Fetchly answered AddDownloadRequest with an unexpected reply");
    taken = reply.arguments().front().toBool();
    return {};
}

TStartupDecision BeginServerStartup(const QStringList &arguments, const QString &programPath,
                                    QDBusConnection bus)
{
    TStartupDecision decision;
    const TServerSwitches switches = ParseServerSwitches(arguments);
    if (switches.unregServer) {
        decision.exitNow = true;
        try {
            RemoveActivationFile();
        } catch (const std::exception &e) {
            decision.exitCode = 1;
            decision.message = QString::fromStdString(e.what());
        }
        return decision;
    }
    try {
        WriteActivationFile(programPath);
    } catch (const std::exception &e) {
        // A window start goes on without it; the message says why the bus
        // cannot start the program.
        decision.message = QString::fromStdString(e.what());
        if (switches.regServer) {
            decision.exitNow = true;
            decision.exitCode = 1;
            return decision;
        }
    }
    if (switches.regServer) {
        decision.exitNow = true;
        return decision;
    }
    decision.automationMode = switches.automation;

    // One program per user: a running one shows its window instead.
    if (bus.isConnected() && bus.interface() &&
        bus.interface()->isServiceRegistered(QLatin1String(kServiceName))) {
        const QString error = CallAddDownLoadUrl(bus, QString(), false);
        decision.exitNow = true;
        if (!error.isEmpty()) {
            decision.exitCode = 1;
            decision.message = QStringLiteral("Fetchly is already running but does not answer: ") + error;
        }
    }
    return decision;
}

} // namespace fetchly::automation
