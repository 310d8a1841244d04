#pragma once

#include <string>
#include <string_view>

namespace fetchly::inspect {

// The ID3v1 tag at the end of an MP3 file as report text (LF CR line ends).
// Throws std::runtime_error ("Cannot open file <path>") when the file cannot
// be opened.
std::string ReadMp3Info(const std::string &fileName);
// The same for the file's last bytes already in memory (`tail` may be the
// whole file); `fileName` is used for the line shown when there is no tag.
std::string Mp3InfoFromTail(std::string_view tail, const std::string &fileName);

} // namespace fetchly::inspect
