#pragma once

#include "inspect/image_file.h"

#include <string>

// Touches everything the report takes from a loaded picture, so the fuzzers
// reach the same code the report does.
inline std::size_t consumeImage(fetchly::inspect::TImageFile &image)
{
    std::size_t total = image.ErrorText.size();
    if (!image.ExifReader)
        return total;
    auto &exif = *image.ExifReader;
    exif.RestartTagWalk();
    fetchly::inspect::TTagRecord entry;
    while (exif.NextTag(0, entry))
        total += entry.Description.size() + entry.DisplayValue.size();
    exif.RestartTagWalk();
    while (exif.NextTag(1, entry))
        total += entry.DisplayValue.size();
    total += exif.SummaryText().size();
    total += exif.ValueByName("MaxApertureValue").size() + exif.ValueByName("ShutterSpeedValue").size() +
             exif.ValueByName("MeteringMode").size();
    return total;
}
