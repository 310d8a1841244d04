#include "browser/host/host_message_handler.h"

#include "browser/extension_ids.h"
#include "browser/host/native_framing.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QUrl>

#include <optional>

namespace fetchly::host {

namespace {

using automation::TDownloadRequest;
using automation::TRequestHeaders;

QJsonObject replyObject(bool ok, const QString &error)
{
    QJsonObject object;
    object.insert(QStringLiteral("version"), kProtocolVersion);
    object.insert(QStringLiteral("ok"), ok);
    if (!ok)
        object.insert(QStringLiteral("error"), error);
    return object;
}

QByteArray toBytes(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QByteArray addReply(bool ok, int added, const QString &error)
{
    QJsonObject object = replyObject(ok, error);
    object.insert(QStringLiteral("added"), added);
    return toBytes(object);
}

// A text field of `object`: absent gives `fallback`; anything but a text
// is an error, reported through `error`.
std::optional<QString> textField(const QJsonObject &object, const QString &name, QString &error,
                                 const QString &fallback = {})
{
    const QJsonValue value = object.value(name);
    if (value.isUndefined())
        return fallback;
    if (!value.isString()) {
        error = QStringLiteral("\"%1\" is not a text").arg(name);
        return std::nullopt;
    }
    return value.toString();
}

// The Cookie header of one link from the cookies the extension read for it.
// Each cookie states its domain, so one the browser would send to another
// host cannot travel with this link.
std::optional<QString> cookieHeader(const QJsonValue &cookies, const QString &host, QString &error)
{
    if (cookies.isUndefined())
        return QString();
    if (!cookies.isArray()) {
        error = QStringLiteral("\"cookies\" is not a list");
        return std::nullopt;
    }
    QStringList pairs;
    for (const QJsonValue &entry : cookies.toArray()) {
        const QJsonObject cookie = entry.toObject();
        const QJsonValue name = cookie.value(QStringLiteral("name"));
        const QJsonValue value = cookie.value(QStringLiteral("value"));
        const QJsonValue domain = cookie.value(QStringLiteral("domain"));
        if (!entry.isObject() || !name.isString() || !value.isString() || !domain.isString()) {
            error = QStringLiteral("a cookie lacks its name, value or domain");
            return std::nullopt;
        }
        if (!CookieDomainCovers(domain.toString(), cookie.value(QStringLiteral("hostOnly")).toBool(), host)) {
            error = QStringLiteral("a cookie of %1 was given for a link to %2").arg(domain.toString(), host);
            return std::nullopt;
        }
        pairs << name.toString() + QLatin1Char('=') + value.toString();
    }
    return pairs.join(QStringLiteral("; "));
}

// One item of an "add" message as the request handed to the program.
std::optional<TDownloadRequest> readItem(const QJsonValue &entry, bool startNow, QString &error)
{
    if (!entry.isObject()) {
        error = QStringLiteral("it is not a JSON object");
        return std::nullopt;
    }
    const QJsonObject item = entry.toObject();
    const auto url = textField(item, QStringLiteral("url"), error);
    const auto referrer = textField(item, QStringLiteral("referrer"), error);
    const auto userAgent = textField(item, QStringLiteral("userAgent"), error);
    const auto fileName = textField(item, QStringLiteral("fileName"), error);
    if (!url || !referrer || !userAgent || !fileName)
        return std::nullopt;
    const QUrl parsed(*url, QUrl::StrictMode);
    const QString scheme = parsed.scheme().toLower();
    if (!parsed.isValid() || parsed.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https") &&
         scheme != QLatin1String("ftp"))) {
        error = QStringLiteral("it is not an http, https or ftp link");
        return std::nullopt;
    }
    const auto cookie = cookieHeader(item.value(QStringLiteral("cookies")), parsed.host().toLower(), error);
    if (!cookie)
        return std::nullopt;
    if (!automation::IsPlainFileName(fileName->toStdString())) {
        error = QStringLiteral("its file name is not a plain name in one folder");
        return std::nullopt;
    }

    TDownloadRequest request{url->toStdString(), {}, fileName->toStdString(), startNow};
    const auto addHeader = [&request](const char *name, const QString &value) {
        if (!value.isEmpty())
            request.Headers.push_back({name, value.toStdString()});
    };
    addHeader("Referer", *referrer);
    addHeader("User-Agent", *userAgent);
    addHeader("Cookie", *cookie);
    const std::string problem = automation::RequestHeadersProblem(request.Headers);
    if (!problem.empty()) {
        error = QString::fromStdString(problem);
        return std::nullopt;
    }
    return request;
}

// Hands every request on in order, stopping at the first that is not taken.
QByteArray handOn(const std::vector<TDownloadRequest> &requests, const THostCalls &calls)
{
    int added = 0;
    for (const TDownloadRequest &request : requests) {
        // An empty text would only show the window; the extension never
        // means that, so it is not passed on.
        if (request.Url.empty())
            continue;
        const QString error = calls.add ? calls.add(request) : QStringLiteral("nothing to hand it to");
        if (!error.isEmpty())
            return addReply(false, added, QStringLiteral("Fetchly did not take the link: ") + error);
        ++added;
    }
    return addReply(true, added, {});
}

QByteArray handleFirstVersion(const QJsonObject &object, const THostCalls &calls)
{
    // Check the whole message before handing anything on, so a bad entry
    // never leaves half a page added.
    std::vector<TDownloadRequest> requests;
    QString error;
    if (object.contains(QStringLiteral("url"))) {
        const auto url = textField(object, QStringLiteral("url"), error);
        if (!url)
            return ErrorReply(error);
        requests.push_back({url->toStdString()});
    }
    if (object.contains(QStringLiteral("urls"))) {
        const QJsonValue list = object.value(QStringLiteral("urls"));
        if (!list.isArray())
            return ErrorReply(QStringLiteral("\"urls\" is not a list"));
        for (const QJsonValue &url : list.toArray()) {
            if (!url.isString())
                return ErrorReply(QStringLiteral("an entry of \"urls\" is not a text"));
            requests.push_back({url.toString().toStdString()});
        }
    }
    if (!object.contains(QStringLiteral("url")) && !object.contains(QStringLiteral("urls")))
        return ErrorReply(QStringLiteral("the message has neither \"url\" nor \"urls\""));
    return handOn(requests, calls);
}

QByteArray handleAdd(const QJsonObject &object, const THostCalls &calls)
{
    const QJsonValue items = object.value(QStringLiteral("items"));
    if (!items.isArray())
        return ErrorReply(QStringLiteral("\"items\" is not a list"));
    const bool startNow = object.value(QStringLiteral("startNow")).toBool(false);
    std::vector<TDownloadRequest> requests;
    const QJsonArray list = items.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        QString error;
        auto request = readItem(list[i], startNow, error);
        if (!request)
            return ErrorReply(QStringLiteral("link %1 is refused: %2").arg(i + 1).arg(error));
        requests.push_back(std::move(*request));
    }
    return handOn(requests, calls);
}

QByteArray handleLinkTypes(const THostCalls &calls)
{
    QJsonArray types;
    if (calls.linkTypes) {
        for (const std::string &type : calls.linkTypes())
            types.append(QString::fromStdString(type));
    }
    QJsonObject object = replyObject(true, {});
    object.insert(QStringLiteral("linkTypes"), types);
    return toBytes(object);
}

} // namespace

QByteArray ErrorReply(const QString &error)
{
    return addReply(false, 0, error);
}

QByteArray HandleHostMessage(const QByteArray &message, const THostCalls &calls)
{
    if (static_cast<std::size_t>(message.size()) > kMaxMessageBytes)
        return ErrorReply(QStringLiteral("the message is larger than 1 MiB (%1 bytes)").arg(message.size()));
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(message, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return ErrorReply(QStringLiteral("the message is not JSON: ") + parseError.errorString());
    if (!document.isObject())
        return ErrorReply(QStringLiteral("the message is not a JSON object"));
    const QJsonObject object = document.object();

    const QJsonValue version = object.value(QStringLiteral("version"));
    if (version.isUndefined())
        return handleFirstVersion(object, calls);
    const double number = version.toDouble(-1);
    if (!version.isDouble() || number != static_cast<int>(number) || number < 1 || number > kProtocolVersion)
        return ErrorReply(QStringLiteral("protocol version %1 is not known here (this host speaks 1 to %2): "
                                         "update Fetchly")
                              .arg(version.toVariant().toString())
                              .arg(kProtocolVersion));
    if (number == 1)
        return handleFirstVersion(object, calls);
    const QString type = object.value(QStringLiteral("type")).toString();
    if (type == QLatin1String("add"))
        return handleAdd(object, calls);
    if (type == QLatin1String("linkTypes"))
        return handleLinkTypes(calls);
    return ErrorReply(QStringLiteral("the message type \"%1\" is not known here").arg(type));
}

bool CookieDomainCovers(const QString &domain, bool hostOnly, const QString &host)
{
    // The browser states a domain cookie with a leading dot.
    QString bare = domain.toLower();
    if (bare.startsWith(QLatin1Char('.')))
        bare.remove(0, 1);
    const QString target = host.toLower();
    if (bare.isEmpty() || target.isEmpty())
        return false;
    if (target == bare)
        return true;
    return !hostOnly && target.endsWith(QLatin1Char('.') + bare);
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
