#pragma once

#include <string>

// The special conversions of some EXIF and GPS tags. Each takes the display
// text made so far (FormatValue output, or an UNDEFINED value in quotes).
namespace fetchly::inspect {

std::string ComponentsText(const std::string &value);
std::string ShutterText(const std::string &value);
// Throws std::invalid_argument when the text is not an integer.
std::string FlashText(const std::string &value);
std::string UserCommentFormatter(const std::string &value);
std::string XpText(const std::string &value);
std::string GpsPositionText(const std::string &value);
std::string GpsTimeText(const std::string &value);

} // namespace fetchly::inspect
