#include "inspect/mp3_info.h"

#include "inspect/input_source.h"
#include "inspect/text_util.h"

#include <stdexcept>

namespace fetchly::inspect {
namespace {

constexpr std::size_t TagSize = 128;

std::string field(std::string_view block, std::size_t offset, std::size_t length)
{
    std::string_view f = block.substr(offset, length);
    f = f.substr(0, f.find('\0'));
    return DisplayText(trimControls(f));
}

} // namespace

std::string Mp3InfoFromTail(std::string_view tail, const std::string &fileName)
{
    // A file shorter than a tag block has no tag.
    const std::string_view block =
        tail.size() >= TagSize ? tail.substr(tail.size() - TagSize) : std::string_view{};
    if (block.substr(0, 3) != "TAG")
        return "Song File  : " + DisplayText(FileNamePart(fileName));
    return "Title   : " + field(block, 3, 30) + "\n\r" + "Artist  : " + field(block, 33, 30) + "\n\r" +
           "Album   : " + field(block, 63, 30) + "\n\r" + "Year    : " + field(block, 93, 4);
}

std::string ReadMp3Info(const std::string &fileName)
{
    FileSource source(fileName);
    if (!source.ok())
        throw std::runtime_error("Cannot open file " + fileName);
    std::string tail;
    if (source.size() >= static_cast<int64_t>(TagSize)) {
        source.skip(source.size() - static_cast<int64_t>(TagSize));
        source.read(tail, TagSize);
    }
    return Mp3InfoFromTail(tail, fileName);
}

} // namespace fetchly::inspect
