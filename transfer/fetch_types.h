#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace fetchly {

class TFetchEngine;

// Stored values: lists and settings keep these numbers.
enum class TFetchProtocol : std::uint8_t {
    wpHttp = 0,
    wpFtp = 1,
    wpFile = 2,
    wpFtpUpload = 3,
    wpHttpUpload = 4,
};

enum class TFetchHTTPCommand : std::uint8_t {
    hcPost = 0,
    hcPut = 1,
};

// The engine's own failure codes, carried as ErrorCode by OnError,
// OnErrorInfo and OnRetry. Owners and their logs know these numbers, so they
// never change. A failure of the server or the library carries the HTTP
// status (300 and above) or the libcurl code instead.
enum class TFetchErrorCode : int {
    Unexpected = -1, // outside every transfer step: an unknown protocol, an exception
    IdenticalFiles = 0,
    CannotOpenSource = 1,
    ZeroLengthSource = 2,
    CannotCreateTarget = 3,
    ErrorReadingSource = 4,
    ErrorWritingTarget = 5,
    CannotConnect = 6,
};

// Byte counts are 64-bit: files over 2 GiB are ordinary.
using TFetchSize = std::int64_t;

// The engine's events. Each is optional (an empty std::function is skipped)
// and is raised synchronously on the run's worker thread, except
// OnCopyCancel, which is raised on the thread that presses Cancel/Close.
using TFetchFileStart = std::function<void(TFetchEngine &Sender, int idx, int Ext)>;
using TFetchFileDone = std::function<void(TFetchEngine &Sender, int idx, int Ext)>;
using TFetchProgress =
    std::function<void(TFetchEngine &Sender, int fileidx, int Ext, TFetchSize size, TFetchSize totsize)>;
using TFetchRunDone = std::function<void(TFetchEngine &Sender)>;
using TFetchError = std::function<void(TFetchEngine &Sender, int ErrorCode)>;
using TFetchErrorInfo =
    std::function<void(TFetchEngine &Sender, int ErrorCode, const std::string &ErrorInfo)>;
using TFetchURLNotFound = std::function<void(TFetchEngine &Sender, const std::string &url)>;
using TFetchConnectError = std::function<void(TFetchEngine &Sender)>;
using TFetchOverwrite = std::function<void(TFetchEngine &Sender, const std::string &tgtfile, bool &allow)>;
using TFetchCancel = std::function<void(TFetchEngine &Sender)>;
// A transient failure that the engine retries: `retry` of `retries`, after
// waiting `delayMs`. The failure's code and text are those the error events
// would carry if it were final.
using TFetchRetry = std::function<void(TFetchEngine &Sender, int retry, int retries, int delayMs,
                                       int ErrorCode, const std::string &ErrorInfo)>;

} // namespace fetchly
