// The ID3v1 block at the end of an MP3 file.
#include "inspect/mp3_info.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string text = fetchly::inspect::Mp3InfoFromTail(
        std::string_view(reinterpret_cast<const char *>(data), size), "dir/fuzz.mp3");
    volatile std::size_t sink = text.size();
    (void)sink;
    return 0;
}
