// The ZIP local-header walk and the display of entry names.
#include "inspect/text_util.h"
#include "inspect/zip_reader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fetchly::inspect::TZipReader zip;
    zip.ScanMemory(std::string_view(reinterpret_cast<const char *>(data), size));
    std::size_t total = 0;
    for (int i = 0; i < zip.FileCount(); ++i)
        total += fetchly::inspect::DisplayText(zip.Entry(i).FileName).size();
    volatile std::size_t sink = total;
    (void)sink;
    return 0;
}
