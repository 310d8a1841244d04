#include "app/core/list_file.h"

#include "app/core/atomic_file.h"

namespace fetchly {

std::vector<std::string> ParseListText(std::string_view text)
{
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(pos));
            break;
        }
        lines.emplace_back(text.substr(pos, end - pos));
        pos = end + 1;
        if (text[end] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return lines;
}

std::string FormatListText(const std::vector<std::string> &lines)
{
    std::size_t total = 0;
    for (const std::string &line : lines)
        total += line.size() + 2;
    std::string text;
    text.reserve(total);
    for (const std::string &line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

std::optional<int> FindListDamage(std::string_view text)
{
    const std::size_t nul = text.find('\0');
    if (nul == std::string_view::npos)
        return std::nullopt;
    int line = 1;
    for (std::size_t i = 0; i < nul; ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == nul || text[i + 1] != '\n')))
            ++line;
    }
    return line;
}

TListFileContents ReadListFile(const std::filesystem::path &path)
{
    const std::string text = ReadWholeFile(path, MaxListFileBytes);
    return {ParseListText(text), FindListDamage(text)};
}

std::vector<std::string> LoadListFile(const std::filesystem::path &path)
{
    return ReadListFile(path).lines;
}

void SaveListFile(const std::filesystem::path &path, const std::vector<std::string> &lines)
{
    WriteFileAtomically(path, FormatListText(lines), ListFileMode);
}

} // namespace fetchly
