#include "app/automation/automation_server.h"

#include "app/automation/activation_file.h"
#include "app/automation/command_switches.h"
#include "browser/extension_ids.h"
#include "fetchly_adder_adaptor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include <exception>

namespace fetchly::automation {

TAutomationServer::TAutomationServer(QDBusConnection bus, TFetchlyAdder::AddUrlFn addUrl,
                                     TFetchlyAdder::ShowFn showWindow)
    : m_bus(std::move(bus)), m_adder(std::move(addUrl), std::move(showWindow))
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

QString CallAddDownLoadUrl(QDBusConnection bus, const QString &url, bool startIfMissing, int timeoutMs)
{
    if (!bus.isConnected())
        return QStringLiteral("no session bus: ") + bus.lastError().message();
    QDBusMessage call =
        QDBusMessage::createMethodCall(QLatin1String(kServiceName), QLatin1String(kObjectPath),
                                       QLatin1String(kInterfaceName), QLatin1String(kMethodName));
    call << url;
    call.setAutoStartService(startIfMissing);
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return {};
    return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
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
