#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The list file (".ufi"): one entry line per text line, no header.
namespace fetchly {

// Splits text into lines at CR LF, a lone CR and a lone LF; a last line
// without terminator counts, a terminator at the end adds no empty line, and
// a NUL byte ends the text. Empty text lines become empty entries.
std::vector<std::string> ParseListText(std::string_view text);

// Each line followed by CR LF, the last one included.
std::string FormatListText(const std::vector<std::string> &lines);

// Largest list file read; anything bigger is refused rather than exhausting
// memory.
inline constexpr std::size_t MaxListFileBytes = 256u * 1024 * 1024;

// The line (counted from 1, as ParseListText splits) on which the text is
// damaged: it holds a NUL byte, which ends what ParseListText reads. None
// when the text is whole.
std::optional<int> FindListDamage(std::string_view text);

struct TListFileContents {
    std::vector<std::string> lines;
    // Where the file is damaged (see FindListDamage); the lines stop there.
    std::optional<int> damagedLine;
};

// Reads a list file. Throws std::runtime_error ("Cannot open file ...")
// when it cannot be read.
TListFileContents ReadListFile(const std::filesystem::path &path);
std::vector<std::string> LoadListFile(const std::filesystem::path &path);

// List files may hold passwords in their keys: only their owner reads them.
inline constexpr unsigned ListFileMode = 0600;

// Writes a list file atomically (a failure leaves the old file whole), mode
// 0600: the keys may hold passwords.
void SaveListFile(const std::filesystem::path &path, const std::vector<std::string> &lines);

} // namespace fetchly
