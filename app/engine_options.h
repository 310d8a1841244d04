#pragma once

namespace fetchly {

class TFetchEngine;
struct TAppOptions;

// Sets what the user's options decide on the engine: FTP mode, proxy, the
// progress dialog's switches, connections and retries. The texts of the
// window's design stay as they are.
void ConfigureEngine(TFetchEngine &engine, const TAppOptions &options);
// Sets the speed limit of the whole process from the options; it holds for
// the transfers going on as well.
void ApplyProcessLimits(const TAppOptions &options);

} // namespace fetchly
