// Every touch of the two list boxes goes through here, so the list box
// class can change in one place.
#include "app/main_form.h"

#include "app/app_pictures.h"
#include "markup/qt/markup_image_list.h"
#include "markup/qt/markup_list_box.h"
#include "transfer/url_functions.h"

#include <QGroupBox>

namespace fetchly {

namespace {

QString text(std::string_view markup)
{
    return QString::fromUtf8(markup.data(), static_cast<qsizetype>(markup.size()));
}

} // namespace

void TDownloadForm::setUpUrlBox()
{
    // The lines are markup, drawn by the renderer with the status pictures;
    // a line whose height stays the same is repainted alone when it changes.
    StatusImages = new markup::TMarkupImageList(QSize(16, 16), this);
    for (const QPixmap &picture : ImageList2)
        StatusImages->Add(picture);
    // Drawn again for a screen of another pixel ratio, so they stay crisp.
    OnPixelRatioChange(this, [this](qreal ratio) {
        ImageList2 = StatusPictures(ratio);
        StatusImages->Clear();
        for (const QPixmap &picture : ImageList2)
            StatusImages->Add(picture);
    });

    URLBox = new markup::TMarkupListBox(GroupBox1);
    URLBox->setObjectName(QStringLiteral("URLBox"));
    URLBox->setFont(QFont(QStringLiteral("Trebuchet MS"), 8));
    URLBox->setSelectionMode(QAbstractItemView::SingleSelection);
    URLBox->SetImages(StatusImages);
    URLBox->SetSelectionColor(0xC0C0C0); // silver, with the system's highlighted-text colour
    URLBox->SetShadowOffset(1);
    URLBox->SetEnableBlink(false);
    URLBox->SetSorted(false);
}

void TDownloadForm::setUpDoBox()
{
    DoBox = new markup::TMarkupListBox(GroupBox1);
    DoBox->setObjectName(QStringLiteral("DoBox"));
    DoBox->setFixedHeight(97);
    DoBox->SetShadowOffset(1);
    DoBox->SetEnableBlink(false);
}

int TDownloadForm::urlBoxCount() const
{
    return URLBox->count();
}

void TDownloadForm::urlBoxSetLine(int i, const std::string &markup)
{
    URLBox->item(i)->setText(text(markup));
}

void TDownloadForm::urlBoxAppend(const std::vector<std::string_view> &markup)
{
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(markup.size()));
    for (std::string_view line : markup)
        lines.append(text(line));
    URLBox->addItems(lines);
}

void TDownloadForm::urlBoxRemove(int i)
{
    delete URLBox->takeItem(i);
}

void TDownloadForm::urlBoxTruncate(int count)
{
    if (count <= 0) {
        URLBox->clear();
        return;
    }
    URLBox->model()->removeRows(count, URLBox->count() - count);
}

void TDownloadForm::urlBoxClear()
{
    URLBox->clear();
    m_shown.clear();
    m_liveLine = -1;
}

void TDownloadForm::urlBoxLock(bool locked)
{
    URLBox->setUpdatesEnabled(!locked);
}

int TDownloadForm::urlBoxSelected() const
{
    const int row = URLBox->currentRow();
    if (row < 0 || row >= URLBox->count() || !URLBox->item(row)->isSelected())
        return -1;
    return row;
}

void TDownloadForm::doBoxAppend(const std::string &markup)
{
    DoBox->addItem(text(MaskUrlPassword(markup)));
}

void TDownloadForm::doBoxClear()
{
    DoBox->clear();
}

} // namespace fetchly
