// Local and network file copy.
#include "transfer/transfer_operations.h"
#include "transfer/url_functions.h"

namespace fetchly {

bool FileCopy(TFetchRun &run, const TFetchItem &item)
{
    run.SetAnimation(TDialogAnimation::Copy);
    run.SetItemHeader(UrlFileName(item.URL), run.Dialog().DlgFromServerLabel, item.FTPHost);
    run.RaiseError(1, "Cannot open source file " + item.URL);
    return false;
}

} // namespace fetchly
