#include "browser/host/host_message_handler.h"

#include "browser/extension_ids.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace fetchly::host {

namespace {

QByteArray reply(bool ok, int added, const QString &error)
{
    QJsonObject object;
    object.insert(QStringLiteral("ok"), ok);
    object.insert(QStringLiteral("added"), added);
    if (!ok)
        object.insert(QStringLiteral("error"), error);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace

QByteArray ErrorReply(const QString &error)
{
    return reply(false, 0, error);
}

QByteArray HandleHostMessage(const QByteArray &message, const TAddUrlCall &addUrl)
{
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(message, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return ErrorReply(QStringLiteral("the message is not JSON: ") + parseError.errorString());
    if (!document.isObject())
        return ErrorReply(QStringLiteral("the message is not a JSON object"));
    const QJsonObject object = document.object();

    // Check the whole message before handing anything on, so a bad entry
    // never leaves half a page added.
    QStringList urls;
    if (object.contains(QStringLiteral("url"))) {
        const QJsonValue url = object.value(QStringLiteral("url"));
        if (!url.isString())
            return ErrorReply(QStringLiteral("\"url\" is not a text"));
        urls << url.toString();
    }
    if (object.contains(QStringLiteral("urls"))) {
        const QJsonValue list = object.value(QStringLiteral("urls"));
        if (!list.isArray())
            return ErrorReply(QStringLiteral("\"urls\" is not a list"));
        for (const QJsonValue &url : list.toArray()) {
            if (!url.isString())
                return ErrorReply(QStringLiteral("an entry of \"urls\" is not a text"));
            urls << url.toString();
        }
    }
    if (!object.contains(QStringLiteral("url")) && !object.contains(QStringLiteral("urls")))
        return ErrorReply(QStringLiteral("the message has neither \"url\" nor \"urls\""));

    int added = 0;
    for (const QString &url : urls) {
        // An empty text would only show the window; the extension never
        // means that, so it is not passed on.
        if (url.isEmpty())
            continue;
        const QString error = addUrl(url);
        if (!error.isEmpty())
            return reply(false, added, QStringLiteral("Fetchly did not take the link: ") + error);
        ++added;
    }
    return reply(true, added, {});
}

bool CallerAllowed(const QStringList &arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String(automation::kChromiumOrigin) ||
            arguments[i] == QLatin1String(automation::kFirefoxExtensionId))
            return true;
    }
    return false;
}

} // namespace fetchly::host
