// Every touch of the two list boxes goes through here, so the list box
// class can change in one place.
#include "main_form.h"

#include <QGroupBox>
#include <QListWidget>

namespace fetchly {

namespace {

QString text(std::string_view markup)
{
    return QString::fromUtf8(markup.data(), static_cast<qsizetype>(markup.size()));
}

// All lines have one height, so a changed text never moves another line:
// repaint just that line instead of laying out all of them again.
class LineListBox : public QListWidget {
public:
    using QListWidget::QListWidget;

protected:
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override
    {
        // The first line sets the common size: a change there needs the
        // full treatment.
        if (topLeft == bottomRight && topLeft.row() > 0 && uniformItemSizes()) {
            viewport()->update(visualRect(topLeft));
            return;
        }
        QListWidget::dataChanged(topLeft, bottomRight, roles);
    }
};

} // namespace

void TDownloadForm::setUpUrlBox()
{
    URLBox = new LineListBox(GroupBox1);
    URLBox->setObjectName(QStringLiteral("URLBox"));
    URLBox->setFont(QFont(QStringLiteral("Trebuchet MS")));
    URLBox->setSelectionMode(QAbstractItemView::SingleSelection);
    URLBox->setSortingEnabled(false);
    // All lines are one height; telling the view so keeps 10,000 lines fast.
    URLBox->setUniformItemSizes(true);
    QPalette colours = URLBox->palette();
    colours.setColor(QPalette::Highlight, QColor(192, 192, 192));
    URLBox->setPalette(colours);
}

void TDownloadForm::setUpDoBox()
{
    DoBox = new QListWidget(GroupBox1);
    DoBox->setObjectName(QStringLiteral("DoBox"));
    DoBox->setFixedHeight(97);
    DoBox->setUniformItemSizes(true);
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
    DoBox->addItem(text(markup));
}

void TDownloadForm::doBoxClear()
{
    DoBox->clear();
}

} // namespace fetchly
