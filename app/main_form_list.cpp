// The download list: adding, deleting, emptying, list files and the refill
// of URLBox.
#include "app/core/download_lines.h"
#include "app/core/list_file.h"
#include "app/main_form.h"
#include "transfer/url_functions.h"
#include "ui/input_box.h"

#include <QFileDialog>
#include <cstdlib>
#include <utility>

namespace fetchly {

bool TDownloadForm::IsAcceptedLink(const std::string &url) const
{
    return Options.IsAcceptedLink(url);
}

bool TDownloadForm::AddUrl(const std::string &url)
{
    if (!putUrl(url))
        return false;
    RebuildUrlBox();
    return true;
}

bool TDownloadForm::putUrl(const std::string &typed)
{
    // Blanks around a pasted or typed URL are not part of it.
    const std::string url(TrimmedUrl(typed));
    if (url.empty())
        return false;
    // A line break or NUL would split the entry when the list is saved.
    if (url.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
        SetStatusText(QStringLiteral("URL contains a line break and cannot be added!"));
        return false;
    }
    const std::string key = ListKey(url);
    if (!IsAcceptedLink(key)) {
        SetStatusText(QStringLiteral("URL Extension Does not match Accepted Types!"));
        return false;
    }
    Board.Entries().SetValue(key, ReadyLine(MaskUrlPassword(key)));
    return true;
}

void TDownloadForm::ToolButton6Click()
{
    const QString text = InputBox(QStringLiteral("Add URL"), QStringLiteral("URL :"), QString(), this);
    const std::string typed = text.toStdString();
    // One URL keeps its own message; several are counted.
    if (UrlsInText(typed, TUrlTextKind::Typed).size() > 1)
        AddUrls(typed, TUrlTextKind::Typed);
    else
        AddUrl(typed);
}

int TDownloadForm::SelectedLine() const
{
    return urlBoxSelected();
}

void TDownloadForm::DeleteThisFile1Click()
{
    Guarded([this] {
        const int i = urlBoxSelected();
        if (i < 0 || i >= urlBoxCount())
            return;
        if (RefuseWhileBusy())
            return;
        Board.Entries().Delete(i);
        RebuildUrlBox();
    });
}

void TDownloadForm::ToolButton7Click()
{
    Guarded([this] {
        if (RefuseWhileBusy())
            return;
        urlBoxLock(true);
        urlBoxClear();
        Board.Entries().Clear();
        urlBoxLock(false);
        tableChanged();
    });
}

void TDownloadForm::OpenListFile(const QString &fileName)
{
    TListFileContents contents = ReadListFile(fileName.toStdString());
    showLoadedList(std::move(contents.lines));
    if (contents.damagedLine)
        SetStatusText(QStringLiteral("The list file ") + fileName + QStringLiteral(" is damaged at line ") +
                      QString::number(*contents.damagedLine) +
                      QStringLiteral(" (a NUL byte): the lines from there on were not loaded."));
}

void TDownloadForm::showLoadedList(std::vector<std::string> lines)
{
    for (std::string &line : lines)
        line = SettledLine(std::move(line));
    Board.Entries().Assign(std::move(lines));
    urlBoxClear();
    RebuildUrlBox();
}

void TDownloadForm::SaveListFile(const QString &fileName)
{
    fetchly::SaveListFile(fileName.toStdString(), Board.Entries().Lines());
}

void TDownloadForm::ToolButton3Click()
{
    if (RefuseWhileBusy())
        return;
    if (OpenDialog->exec() != QDialog::Accepted || OpenDialog->selectedFiles().isEmpty())
        return;
    OpenListFile(OpenDialog->selectedFiles().constFirst());
}

void TDownloadForm::ToolButton4Click()
{
    if (SaveDialog->exec() != QDialog::Accepted || SaveDialog->selectedFiles().isEmpty())
        return;
    SaveListFile(SaveDialog->selectedFiles().constFirst());
}

void TDownloadForm::RebuildUrlBox()
{
    Guarded([this] {
        const int count = Board.Entries().Count();
        int shown = static_cast<int>(m_shown.size());
        // Only lines whose text changed are touched, so the selection and
        // the scroll position stay and one line update stays cheap.
        if (count == shown - 1) {
            // One line gone: find it and remove just that line when the rest
            // merely moved up.
            int k = 0;
            while (k < count && shownText(k) == m_shown[static_cast<std::size_t>(k)])
                ++k;
            int j = k;
            while (j < count && shownText(j) == m_shown[static_cast<std::size_t>(j) + 1])
                ++j;
            if (j == count) {
                urlBoxRemove(k);
                m_shown.erase(m_shown.begin() + k);
                m_shownGeneration = Board.Entries().Generation();
                tableChanged();
                return;
            }
        }
        const bool many = std::abs(count - shown) > 16;
        if (many)
            urlBoxLock(true);
        if (count < shown) {
            urlBoxTruncate(count);
            m_shown.resize(static_cast<std::size_t>(count));
            shown = count;
        }
        for (int i = 0; i < shown; ++i)
            refreshShownLine(i);
        if (count > shown) {
            std::vector<std::string_view> added;
            added.reserve(static_cast<std::size_t>(count - shown));
            for (int i = shown; i < count; ++i) {
                added.push_back(shownText(i));
                m_shown.emplace_back(added.back());
            }
            urlBoxAppend(added);
        }
        if (many)
            urlBoxLock(false);
        m_shownGeneration = Board.Entries().Generation();
        tableChanged();
    });
}

std::string_view TDownloadForm::shownText(int i) const
{
    return i == m_liveLine ? std::string_view(m_liveMarkup) : Board.Entries().ShownLine(i);
}

void TDownloadForm::refreshShownLine(int i)
{
    const std::string_view line = shownText(i);
    std::string &was = m_shown[static_cast<std::size_t>(i)];
    if (line != was) {
        was.assign(line);
        urlBoxSetLine(i, was);
    }
}

void TDownloadForm::UpdateCurrentLine()
{
    Guarded([this] {
        const int live = std::exchange(m_liveLine, -1);
        const TEntryTable &table = Board.Entries();
        const bool current =
            m_shownGeneration == table.Generation() && static_cast<int>(m_shown.size()) == table.Count();
        const int i = Board.StoreFocusLine(RateText());
        if (!current || static_cast<int>(m_shown.size()) != table.Count()) {
            RebuildUrlBox();
            return;
        }
        // Only the focus line (and lines sharing its key) changed, and the
        // line that showed live progress goes back to its own text: no need
        // to compare every line.
        std::vector<int> changed = table.LinesShowing(i);
        if (changed.empty()) {
            RebuildUrlBox();
            return;
        }
        if (live >= 0 && live < table.Count())
            changed.push_back(live);
        for (int j : changed)
            refreshShownLine(j);
        m_shownGeneration = table.Generation();
        tableChanged();
    });
}

void TDownloadForm::UpdateProgressLine()
{
    Guarded([this] {
        const int i = Board.Entries().IndexOfKey(Board.Focus().Url);
        if (i < 0 || i >= static_cast<int>(m_shown.size()))
            return;
        m_liveLine = i;
        m_liveMarkup = Board.FocusLine(RateText());
        std::string &was = m_shown[static_cast<std::size_t>(i)];
        if (was != m_liveMarkup) {
            was = m_liveMarkup;
            urlBoxSetLine(i, was);
        }
    });
}

} // namespace fetchly
