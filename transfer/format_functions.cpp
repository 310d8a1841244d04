#include "transfer/format_functions.h"

#include "transfer/fetch_item.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <curl/curl.h>

namespace fetchly {

namespace {

// Rounds to the nearest integer, halves to the even neighbour.
double roundHalfEven(double x)
{
    const int old = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(x);
    std::fesetround(old);
    return r;
}

std::string formatScaled(TFetchSize n, const char *bytes, const char *kilo, const char *mega)
{
    char buf[64];
    if (n < 1000)
        std::snprintf(buf, sizeof buf, "%lld%s", static_cast<long long>(n), bytes);
    else if (n < 1000000)
        std::snprintf(buf, sizeof buf, "%.2f%s", static_cast<double>(n) / 1000.0, kilo);
    else
        std::snprintf(buf, sizeof buf, "%.2f%s", static_cast<double>(n) / 1000000.0, mega);
    return buf;
}

} // namespace

std::string FormatSize(TFetchSize n)
{
    return formatScaled(n, " bytes", " Kb", " Mb");
}

std::string FormatRate(TFetchSize n)
{
    return formatScaled(n, " bytes/sec", " Kb/sec", " Mb/sec");
}

std::string FormatTimeLeft(std::int64_t elapsedMs, TFetchSize done, TFetchSize total)
{
    if (done <= 0)
        return {};
    const double msLeft = roundHalfEven(static_cast<double>(total - done) * static_cast<double>(elapsedMs) /
                                        static_cast<double>(done));
    // Absurd estimates (a huge total after a tiny start) are held to a range
    // that the integer steps below can carry.
    const double secondsLeft = std::fmax(-9.0e15, std::fmin(9.0e15, msLeft / 1000.0));
    const auto seconds = static_cast<long long>(roundHalfEven(secondsLeft));
    const auto minutes = static_cast<long long>(roundHalfEven(static_cast<double>(seconds) / 60.0));
    const auto hours = static_cast<long long>(roundHalfEven(static_cast<double>(minutes) / 60.0));
    if (minutes == 0 && hours == 0)
        return std::to_string(seconds) + " sec.";
    if (hours > 0)
        return std::to_string(minutes / 60) + "h " + std::to_string(minutes % 60);
    return std::to_string(minutes) + " minutes";
}

std::string WinInetErrorText(int code)
{
    std::string text = curl_easy_strerror(static_cast<CURLcode>(code));
    if (text.size() > 255)
        text.resize(255);
    return text;
}

std::string FailureInWords(int code, const std::string &info, const std::string &reason)
{
    if (reason.empty())
        return info;
    return info == WinInetErrorText(code) ? reason : info + ": " + reason;
}

int ActiveItemCount(const TFetchItems &items)
{
    return items.ActiveItemCount();
}

int NetworkItemCount(const TFetchItems &items)
{
    return items.NetworkItemCount();
}

} // namespace fetchly
