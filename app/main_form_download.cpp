// The main window's side of a download run: handing entries to the engine
// and showing what its events report.
#include "core/download_lines.h"
#include "main_form.h"

namespace fetchly {

void TDownloadForm::RegisterMenuExtensions()
{
    // Browser integration is written here at start-up (context-menu entries
    // through the native messaging host manifests).
}

std::string TDownloadForm::RateText() const
{
    return FetchEngine1.RateLabel();
}

void TDownloadForm::Button1Click()
{
    Guarded([this] {
        ApplyOptions();
        doBoxClear();
    });
}

void TDownloadForm::DownLoadThisFile1Click()
{
    Guarded([this] {
        if (SelectedLine() < 0)
            return;
        doBoxClear();
    });
}

void TDownloadForm::URLBoxClick()
{
    const int i = SelectedLine();
    if (i < 0)
        return;
    FCurUrl = std::string(FUrlList.Key(i));
    InspectCurrentFile();
}

} // namespace fetchly
