#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fetchly {

// An INI file with the reading rules of the classic profile functions:
// section and key names without regard to letter case, the first of
// duplicate keys wins, values trimmed of blanks and of one pair of enclosing
// quotes, strings cut at 2047 characters, integers decimal or hexadecimal
// after "0x"/"0X" (the default when the text is not a number).
//
// Writes change the copy in memory; UpdateFile() replaces the file at once
// (temporary file + rename, mode 0600 since it may hold a proxy password),
// keeping the order of sections and keys and any comment lines.
class TIniFile {
public:
    static constexpr std::size_t MaxValueLength = 2047;

    // Reads the file when it exists. A file that is missing, unreadable or
    // not text reads as empty, so every value keeps its default.
    explicit TIniFile(std::filesystem::path fileName);
    // An INI held only in memory (for snapshots and parsing).
    TIniFile() = default;

    const std::filesystem::path &FileName() const { return m_fileName; }
    // Why the file could not be read, when it existed but could not be, or
    // where it is damaged (what comes before the damage is read).
    const std::string &LoadError() const { return m_loadError; }

    void Parse(std::string_view text);
    std::string Text() const;

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(std::string_view section) const;

    std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
    int ReadInteger(std::string_view section, std::string_view key, int def) const;
    bool ReadBool(std::string_view section, std::string_view key, bool def) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    void DeleteKey(std::string_view section, std::string_view key);
    void EraseSection(std::string_view section);

    // Writes the file. Throws std::runtime_error "Unable to write to <file>"
    // with the reason; the old file then stays as it was.
    void UpdateFile() const;

private:
    struct Line {
        std::string key; // empty for a comment or blank line kept as it stood
        std::string value;
        bool comment = false;
    };
    struct Section {
        std::string name;
        std::vector<Line> lines;
    };

    const Section *findSection(std::string_view name) const;
    Section *findSection(std::string_view name);
    std::optional<std::string> rawValue(std::string_view section, std::string_view key) const;

    std::filesystem::path m_fileName;
    std::string m_loadError;
    std::vector<std::string> m_preamble; // lines before the first section
    std::vector<Section> m_sections;
};

// Parses profile integer text: optional blanks, optional sign, decimal
// digits, or "0x"/"0X" and hex digits; nothing else may follow. Returns
// nothing when the text is not a number or does not fit 32 bits.
std::optional<int> ParseProfileInteger(std::string_view text);

} // namespace fetchly
