// JPEG segment walk, EXIF and GPS directories and maker notes.
#include "fuzz/inspect/exif_consumer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fetchly::inspect::TImageFile image(fetchly::inspect::ExifListMode::Both);
    image.LoadFromMemory(std::string_view(reinterpret_cast<const char *>(data), size), "fuzz.jpg");
    volatile std::size_t sink = consumeImage(image);
    (void)sink;
    return 0;
}
