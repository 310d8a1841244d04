#pragma once

#include "transfer/fetch_item.h"
#include "transfer/fetch_run.h"
#include "transfer/url_functions.h"

namespace fetchly {

// The five transfer operations, one per TFetchProtocol. Each is called by
// the run for one item, reports through the run's events, updates the
// dialog through `run` and returns true on success.
//
// wpHttp       URL: full URL; TargetDir/TargetFilename: local target.
// wpHttpUpload URL: receiving URL; TargetDir/TargetFilename: local file to send;
//              HTTPCommand: POST or PUT.
// wpFtp        URL: path on the server; TargetDir/TargetFilename: local target;
//              FTPHost, FTPPort, FTPUserID/FTPPassword (used when both set).
// wpFtpUpload  URL: local file to send; TargetDir: directory on the server
//              (created if missing); TargetFilename: name on the server.
// wpFile       URL: source path, relative to FTPHost (a share) when set;
//              TargetDir/TargetFilename: local target.
bool HttpDownload(TFetchRun &run, const TFetchItem &item); // http_transfer.cpp
bool HttpUpload(TFetchRun &run, const TFetchItem &item);   // http_transfer.cpp
bool FtpDownload(TFetchRun &run, const TFetchItem &item);  // ftp_transfer.cpp
bool FtpUpload(TFetchRun &run, const TFetchItem &item);    // ftp_transfer.cpp
bool FileCopy(TFetchRun &run, const TFetchItem &item);     // file_copy.cpp

// Where a download (wpHttp or wpFtp) puts its file.
inline std::string DownloadTarget(const TFetchItem &item)
{
    return JoinPath(item.TargetDir,
                    item.TargetFilename.empty() ? UrlFileName(item.URL) : item.TargetFilename);
}
// The source a download's part records, so only that source continues it.
inline std::string DownloadSource(const TFetchItem &item)
{
    if (item.Protocol == TFetchProtocol::wpFtp)
        return "ftp://" + item.FTPHost + ":" + std::to_string(item.FTPPort) + "/" + item.URL;
    return item.URL;
}

// The chunk size of the network transfers (progress step after each).
inline constexpr int NetworkChunkSize = 4096;
// The chunk size of the file copy.
inline constexpr int CopyChunkSize = 16384;

} // namespace fetchly
