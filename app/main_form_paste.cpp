// URLs that arrive as text: dropped onto the download list, pasted, or typed
// several at once into the Add URL box.
#include "app/main_form.h"
#include "ui/url_drops.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace fetchly {

void TDownloadForm::AddUrls(std::string_view text, TUrlTextKind kind)
{
    int added = 0;
    int listed = 0;
    int refused = 0;
    for (const std::string &url : UrlsInText(text, kind)) {
        const TUrlOffer offer = putUrl(url);
        ++(offer == TUrlOffer::Added ? added : offer == TUrlOffer::AlreadyListed ? listed : refused);
    }
    // Shown once: a long paste must not refill the list per URL.
    if (added + listed > 0)
        refreshList();
    if (added + listed + refused == 0) {
        SetStatusText(QStringLiteral("No URL found to add"));
        return;
    }
    const QString already = listed > 0 ? QStringLiteral("%1 already in the list, ").arg(listed) : QString();
    SetStatusText(QStringLiteral("%1 URL%2 added, %3%4 refused (type not accepted)")
                      .arg(added)
                      .arg(added == 1 ? QString() : QStringLiteral("s"))
                      .arg(already)
                      .arg(refused));
}

bool TDownloadForm::addUrlsFromMime(const QMimeData *data)
{
    if (!HoldsUrlText(data))
        return false;
    if (data->hasFormat(UriListType))
        AddUrls(data->data(UriListType).toStdString(), TUrlTextKind::UriList);
    else
        AddUrls(data->text().toStdString());
    return true;
}

void TDownloadForm::onPasteUrlsClicked()
{
    if (!addUrlsFromMime(QGuiApplication::clipboard()->mimeData()))
        SetStatusText(QStringLiteral("No URL found to add"));
}

} // namespace fetchly
