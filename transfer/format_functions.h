#pragma once

#include "transfer/fetch_types.h"

#include <cstdint>
#include <string>

namespace fetchly {

class TFetchItems;

// "999 bytes", "1.54 Kb", "2.00 Mb": decimal steps, two decimals with the
// locale's decimal separator.
std::string FormatSize(TFetchSize n);
// As FormatSize with " bytes/sec", " Kb/sec", " Mb/sec".
std::string FormatRate(TFetchSize n);
// "29 sec.", "1 minutes", "1h 5"; empty when done <= 0.
std::string FormatTimeLeft(std::int64_t elapsedMs, TFetchSize done, TFetchSize total);
// The message text of a transfer error code (a CURLcode), at most 255 characters.
std::string WinInetErrorText(int code);
// A failure in plain words: the error event's text, with the reason (what
// libcurl, the server or the system saw) in place of the code's generic
// wording, or after a text of its own.
std::string FailureInWords(int code, const std::string &info, const std::string &reason);

int ActiveItemCount(const TFetchItems &items);
int NetworkItemCount(const TFetchItems &items);

} // namespace fetchly
