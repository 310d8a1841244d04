// PE headers, the resource tree and the version block.
#include "inspect/version_resource.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto info = fetchly::inspect::TVersionResource::FromMemory(
        std::string_view(reinterpret_cast<const char *>(data), size));
    std::size_t total = info.Translation().size() + info.FileVersion().size() + info.CompanyName().size() +
                        info.FileDescription().size() + info.InternalName().size() +
                        info.LegalCopyright().size() + info.Comments().size() +
                        info.VersionValue("ProductVersion").size();
    volatile std::size_t sink = total;
    (void)sink;
    return 0;
}
