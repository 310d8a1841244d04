#include "app/core/report_digest.h"

#include "inspect/inspection_report.h"
#include "transfer/finished_record.h"

namespace fetchly {

std::string ReportSha256(const TDownloadedFile &file, std::string_view url, std::string_view targetDir)
{
    if (!file.Sha256.empty())
        return file.Sha256;
    // The file the report reads: the one written this session (found
    // unchanged, it computed no digest), else where the entry's file goes.
    return RecordedSha256(file.Path.empty() ? inspect::LocalPathFor(targetDir, url) : file.Path);
}

} // namespace fetchly
