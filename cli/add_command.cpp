#include "cli/commands.h"

#include "app/automation/activation_file.h"
#include "app/automation/automation_server.h"
#include "app/program_path.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>

#include <exception>
#include <iostream>

namespace fetchly::cli {

namespace {

// The bus may have been started before the activation file existed; a
// reload makes it read its service folders again.
void makeActivatable(QDBusConnection &bus)
{
    if (QFile::exists(automation::ActivationFilePath()))
        return;
    try {
        automation::WriteActivationFile(ProgramPath());
    } catch (const std::exception &e) {
        std::cerr << "fetchly add: " << e.what() << '\n';
        return;
    }
    bus.call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ReloadConfig")));
}

} // namespace

std::vector<std::string> linkArguments(const std::vector<std::string> &words)
{
    std::vector<std::string> links;
    for (const std::string &word : words) {
        const bool isSwitch = word.empty() || word.front() == '-' ||
                              (word.front() == '/' && word.find('/', 1) == std::string::npos);
        if (!isSwitch)
            links.push_back(word);
    }
    return links;
}

int runAdd(const std::vector<std::string> &args)
{
    if (args.empty() || args.front() == "-h" || args.front() == "--help") {
        std::cerr << "usage: fetchly add URL...\n"
                     "Hands each URL to the running Fetchly (starting it when needed), which adds it\n"
                     "to its download list when its extension is an accepted link type.\n";
        return 2;
    }
    int argc = 1;
    char name[] = "fetchly";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::cerr << "fetchly add: no session bus: " << bus.lastError().message().toStdString() << '\n';
        return 1;
    }
    makeActivatable(bus);

    int status = 0;
    for (const std::string &url : args) {
        const QString error = automation::CallAddDownLoadUrl(bus, QString::fromStdString(url), true);
        if (!error.isEmpty()) {
            std::cerr << "fetchly add: " << url << ": " << error.toStdString() << '\n';
            status = 1;
        }
    }
    return status;
}

} // namespace fetchly::cli
