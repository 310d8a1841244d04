#include "app/engine_options.h"

#include "app/core/app_options.h"
#include "transfer/fetch_engine.h"
#include "transfer/rate_limiter.h"

namespace fetchly {

void ConfigureEngine(TFetchEngine &engine, const TAppOptions &options)
{
    engine.FTPPassive = options.FtpPassive;
    engine.Proxy = options.Proxy;
    engine.ProxyPassword = options.ProxyPassword;
    engine.ProxyUserID = options.ProxyUserID;
    engine.ShowDialog = options.ShowDialog;
    engine.ShowOpenFile = options.ShowOpenFile;
    engine.ShowOpenFolder = options.ShowOpenFolder;
    engine.Connections = options.Connections;
    engine.Retries = options.Retries;
}

void ApplyProcessLimits(const TAppOptions &options)
{
    ProcessRateLimiter().SetRate(static_cast<std::int64_t>(options.LimitRate) * 1024);
}

} // namespace fetchly
