// FTP download and upload.
#include "transfer/transfer_operations.h"
#include "transfer/url_functions.h"

namespace fetchly {

bool FtpDownload(TFetchRun &run, const TFetchItem &item)
{
    run.SetItemHeader(UrlFileName(item.URL), run.Dialog().DlgFromServerLabel, item.FTPHost);
    run.RaiseError(6, "Cannot connect to FTP server " + item.FTPHost);
    return false;
}

bool FtpUpload(TFetchRun &run, const TFetchItem &item)
{
    run.SetAnimation(TDialogAnimation::Upload);
    run.SetItemHeader(UrlFileName(item.URL), run.Dialog().DlgToServerLabel, item.FTPHost);
    run.RaiseError(6, "Cannot connect to FTP server " + item.FTPHost);
    return false;
}

} // namespace fetchly
