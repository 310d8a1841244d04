// The download list: adding, deleting, emptying, list files, and the list
// on screen, which follows the board through the shown list.
#include "app/core/download_lines.h"
#include "app/core/list_file.h"
#include "app/core/url_text.h"
#include "app/main_form.h"
#include "markup/qt/markup_list_box.h"
#include "ui/input_box.h"

#include <QFileDialog>
#include <QStringList>
#include <QThreadPool>
#include <utility>

namespace fetchly {

bool TDownloadForm::AddUrl(const std::string &url)
{
    if (const TUrlOffer offer = putUrl(url); offer != TUrlOffer::Added && offer != TUrlOffer::AlreadyListed)
        return false;
    refreshList();
    return true;
}

bool TDownloadForm::AddHandedOverUrl(const std::string &url, TEntryHandover handover, bool startNow)
{
    if (!AddUrl(url))
        return false;
    const std::string key = ListKey(TrimmedUrl(url));
    m_board.SetHandover(key, std::move(handover));
    if (startNow) {
        guarded([&] {
            const int i = m_board.Entries().IndexOfKey(key);
            if (i < 0)
                return;
            if (!m_board.Busy())
                applyOptions();
            launch(m_board.PlanOne(i, m_options.TargetDir), schedulerRunning());
        });
    }
    return true;
}

TUrlOffer TDownloadForm::putUrl(const std::string &url)
{
    const TUrlOffer offer = m_board.OfferUrl(url, m_options);
    switch (offer) {
    case TUrlOffer::Added:
    case TUrlOffer::AlreadyListed:
        break;
    case TUrlOffer::LineBreak:
        SetStatusText(QStringLiteral("URL contains a line break and cannot be added!"));
        break;
    case TUrlOffer::TypeNotAccepted:
        SetStatusText(QStringLiteral("URL Extension Does not match Accepted Types!"));
        break;
    case TUrlOffer::Empty:
        break;
    }
    return offer;
}

void TDownloadForm::onAddUrlClicked()
{
    const QString text = InputBox(QStringLiteral("Add URL"), QStringLiteral("URL :"), QString(), this);
    const std::string typed = text.toStdString();
    // One URL keeps its own message; several are counted.
    if (UrlsInText(typed, TUrlTextKind::Typed).size() > 1)
        AddUrls(typed, TUrlTextKind::Typed);
    else
        AddUrl(typed);
}

int TDownloadForm::selectedLine() const
{
    const int row = m_ui.downloadList->currentRow();
    if (row < 0 || row >= m_ui.downloadList->count() || !m_ui.downloadList->item(row)->isSelected())
        return -1;
    return row;
}

void TDownloadForm::onListLineClicked()
{
    const int i = selectedLine();
    if (i < 0)
        return;
    m_board.Focus().Url = std::string(m_board.Entries().Key(i));
    inspectFocusedFile();
}

void TDownloadForm::onDeleteSelectedClicked()
{
    guarded([this] {
        const int i = selectedLine();
        if (i < 0 || refuseWhileBusy())
            return;
        removeParts(m_board.DeleteEntry(i, m_options.TargetDir));
        refreshList();
    });
}

void TDownloadForm::onEmptyListClicked()
{
    guarded([this] {
        if (refuseWhileBusy())
            return;
        m_ui.downloadList->setUpdatesEnabled(false);
        clearList();
        removeParts(m_board.EmptyList(m_options.TargetDir));
        m_ui.downloadList->setUpdatesEnabled(true);
        scheduleAutoSave();
    });
}

void TDownloadForm::removeParts(std::vector<TFetchItem> items)
{
    if (items.empty())
        return;
    // A folder on a slow disk or a network must not hold up the window.
    QThreadPool::globalInstance()->start([items = std::move(items)] {
        for (const TFetchItem &item : items)
            TFetchEngine::DeletePart(item);
    });
}

void TDownloadForm::OpenListFile(const QString &fileName)
{
    TListFileContents contents = ReadListFile(fileName.toStdString());
    showLoadedList(std::move(contents.lines), true);
    if (contents.damagedLine)
        SetStatusText(QStringLiteral("The list file ") + fileName + QStringLiteral(" is damaged at line ") +
                      QString::number(*contents.damagedLine) +
                      QStringLiteral(" (a NUL byte): the lines from there on were not loaded."));
}

void TDownloadForm::showLoadedList(std::vector<std::string> lines, bool opened)
{
    for (std::string &line : lines)
        line = SettledLine(std::move(line));
    if (opened)
        m_board.OpenList(std::move(lines));
    else
        m_board.Entries().Assign(std::move(lines));
    clearList();
    refreshList();
}

void TDownloadForm::onUndoClicked()
{
    guarded([this] {
        if (refuseWhileBusy())
            return;
        const std::optional<std::string> back = m_board.Undo();
        if (!back) {
            SetStatusText(QStringLiteral("Nothing to undo."));
            return;
        }
        clearList();
        refreshList();
        scheduleAutoSave();
        SetStatusText(QString::fromStdString(*back));
    });
}

void TDownloadForm::SaveListFile(const QString &fileName)
{
    fetchly::SaveListFile(fileName.toStdString(), m_board.Entries().Lines());
}

void TDownloadForm::onOpenListClicked()
{
    if (refuseWhileBusy())
        return;
    if (m_ui.openListDialog->exec() != QDialog::Accepted || m_ui.openListDialog->selectedFiles().isEmpty())
        return;
    OpenListFile(m_ui.openListDialog->selectedFiles().constFirst());
}

void TDownloadForm::onSaveListClicked()
{
    if (m_ui.saveListDialog->exec() != QDialog::Accepted || m_ui.saveListDialog->selectedFiles().isEmpty())
        return;
    SaveListFile(m_ui.saveListDialog->selectedFiles().constFirst());
}

void TDownloadForm::clearList()
{
    m_ui.downloadList->clear();
    m_shown.Clear();
}

void TDownloadForm::refreshList()
{
    guarded([this] { showListChange(m_shown.Refresh(m_board.Entries())); });
}

namespace {
QString text(std::string_view markup)
{
    return QString::fromUtf8(markup.data(), static_cast<qsizetype>(markup.size()));
}
} // namespace

void TDownloadForm::showListChange(const TListChange &change)
{
    if (change.Many)
        m_ui.downloadList->setUpdatesEnabled(false);
    if (change.Removed >= 0)
        delete m_ui.downloadList->takeItem(change.Removed);
    if (change.Truncated == 0)
        m_ui.downloadList->clear();
    else if (change.Truncated > 0)
        m_ui.downloadList->model()->removeRows(change.Truncated,
                                               m_ui.downloadList->count() - change.Truncated);
    for (int i : change.Changed)
        m_ui.downloadList->item(i)->setText(text(m_shown.Line(i)));
    if (change.Appended > 0) {
        QStringList lines;
        lines.reserve(change.Appended);
        for (int i = change.FirstAppended; i < m_shown.Count(); ++i)
            lines.append(text(m_shown.Line(i)));
        m_ui.downloadList->addItems(lines);
    }
    if (change.Many)
        m_ui.downloadList->setUpdatesEnabled(true);
    scheduleAutoSave();
}

void TDownloadForm::storeFocusLine()
{
    guarded([this] {
        const std::size_t before = m_board.Entries().Generation();
        const int i = m_board.StoreFocusLine(rateText());
        showListChange(m_shown.Store(m_board.Entries(), before, i));
    });
}

void TDownloadForm::showLiveLine()
{
    guarded([this] {
        const int i = m_board.Entries().IndexOfKey(m_board.Focus().Url);
        if (i >= 0 && m_shown.ShowLive(i, m_board.FocusLine(rateText())))
            m_ui.downloadList->item(i)->setText(text(m_shown.Line(i)));
    });
}

} // namespace fetchly
