// The download list: adding, deleting, emptying, list files and the refill
// of URLBox.
#include "core/download_lines.h"
#include "core/list_file.h"
#include "main_form.h"
#include "options_form.h"
#include "ui/input_box.h"

#include <QFileDialog>
#include <cstdlib>

namespace fetchly {

bool TDownloadForm::IsAcceptedLink(const std::string &url) const
{
    return OptionsForm && OptionsForm->IsAcceptedLink(url);
}

void TDownloadForm::AddUrl(const std::string &url)
{
    if (url.empty())
        return;
    // A line break or NUL would split the entry when the list is saved.
    if (url.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
        SetStatusText(QStringLiteral("URL contains a line break and cannot be added!"));
        return;
    }
    if (!IsAcceptedLink(url)) {
        SetStatusText(QStringLiteral("URL Extension Does not match Accepted Types!"));
        return;
    }
    FUrlList.SetValue(url, ReadyLine(url));
    RebuildUrlBox();
}

void TDownloadForm::ToolButton6Click()
{
    const QString text = InputBox(QStringLiteral("Add URL"), QStringLiteral("URL :"), QString(), this);
    if (!text.isEmpty())
        AddUrl(text.toStdString());
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
        FUrlList.Delete(i);
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
        FUrlList.Clear();
        urlBoxLock(false);
        tableChanged();
    });
}

void TDownloadForm::OpenListFile(const QString &fileName)
{
    showLoadedList(LoadListFile(fileName.toStdString()));
}

void TDownloadForm::showLoadedList(std::vector<std::string> lines)
{
    for (std::string &line : lines)
        line = SettledLine(std::move(line));
    FUrlList.Assign(std::move(lines));
    urlBoxClear();
    RebuildUrlBox();
}

void TDownloadForm::SaveListFile(const QString &fileName)
{
    fetchly::SaveListFile(fileName.toStdString(), FUrlList.Lines());
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
        const int count = FUrlList.Count();
        int shown = static_cast<int>(m_shown.size());
        // Only lines whose text changed are touched, so the selection and
        // the scroll position stay and one line update stays cheap.
        if (count == shown - 1) {
            // One line gone: find it and remove just that line when the rest
            // merely moved up.
            int k = 0;
            while (k < count && FUrlList.ShownLine(k) == m_shown[static_cast<std::size_t>(k)])
                ++k;
            int j = k;
            while (j < count && FUrlList.ShownLine(j) == m_shown[static_cast<std::size_t>(j) + 1])
                ++j;
            if (j == count) {
                urlBoxRemove(k);
                m_shown.erase(m_shown.begin() + k);
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
        for (int i = 0; i < shown; ++i) {
            const std::string_view line = FUrlList.ShownLine(i);
            std::string &was = m_shown[static_cast<std::size_t>(i)];
            if (line != was) {
                was.assign(line);
                urlBoxSetLine(i, was);
            }
        }
        if (count > shown) {
            std::vector<std::string_view> added;
            added.reserve(static_cast<std::size_t>(count - shown));
            for (int i = shown; i < count; ++i) {
                added.push_back(FUrlList.ShownLine(i));
                m_shown.emplace_back(added.back());
            }
            urlBoxAppend(added);
        }
        if (many)
            urlBoxLock(false);
        tableChanged();
    });
}

void TDownloadForm::UpdateCurrentLine()
{
    Guarded([this] {
        FUrlList.SetValue(FCurUrl, StatusLine(FCurImage, FCurUrl, FCurStatus, FCurProgress, RateText()));
        RebuildUrlBox();
    });
}

} // namespace fetchly
