#include "app/core/ini_file.h"

#include "app/core/atomic_file.h"
#include "app/core/entry_table.h"
#include "app/core/list_file.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <stdexcept>
#include <system_error>

namespace fetchly {

namespace {

constexpr std::size_t MaxIniFileBytes = 16u * 1024 * 1024;

std::string_view trim(std::string_view s)
{
    const std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos)
        return {};
    const std::size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

std::string_view unquote(std::string_view s)
{
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        return s.substr(1, s.size() - 2);
    return s;
}

// Texts written to the file stay on one line.
std::string oneLine(std::string_view s)
{
    std::string out(s);
    for (char &c : out) {
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    }
    return out;
}

} // namespace

std::optional<int> ParseProfileInteger(std::string_view text)
{
    text = trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;
    long long magnitude = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc() || ptr != text.data() + text.size() || magnitude < 0)
        return std::nullopt;
    const long long value = negative ? -magnitude : magnitude;
    // Hexadecimal texts name a bit pattern: 0xFFFFFFFF is -1.
    if (base == 16 && !negative && value <= 0xFFFFFFFFll)
        return static_cast<int>(static_cast<unsigned int>(value));
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

TIniFile::TIniFile(std::filesystem::path fileName) : m_fileName(std::move(fileName))
{
    std::error_code ec;
    if (!std::filesystem::exists(m_fileName, ec))
        return;
    try {
        const std::string text = ReadWholeFile(m_fileName, MaxIniFileBytes);
        Parse(text);
        if (const std::optional<int> line = FindListDamage(text))
            m_loadError = "damaged at line " + std::to_string(*line) + ": a NUL byte ends what was read";
    } catch (const std::exception &e) {
        m_loadError = e.what();
    }
}

void TIniFile::Parse(std::string_view text)
{
    m_preamble.clear();
    m_sections.clear();
    Section *current = nullptr;
    for (std::string &raw : ParseListText(text)) {
        const std::string_view line = trim(raw);
        if (!line.empty() && line.front() == '[') {
            const std::size_t close = line.find(']');
            const std::string_view name =
                trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            current = findSection(name);
            if (!current) {
                m_sections.push_back({std::string(name), {}});
                current = &m_sections.back();
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        const bool comment = line.empty() || line.front() == ';' || eq == std::string_view::npos;
        if (!current) {
            m_preamble.push_back(std::move(raw));
            continue;
        }
        if (comment) {
            if (!line.empty())
                current->lines.push_back({{}, std::string(line), true});
            continue;
        }
        const std::string_view key = trim(line.substr(0, eq));
        if (key.empty())
            continue;
        current->lines.push_back({std::string(key), std::string(trim(line.substr(eq + 1))), false});
    }
}

std::string TIniFile::Text() const
{
    std::string out;
    for (const std::string &line : m_preamble)
        out += line + "\n";
    for (const Section &s : m_sections) {
        out += "[" + s.name + "]\n";
        for (const Line &l : s.lines)
            out += l.comment ? l.value + "\n" : l.key + "=" + l.value + "\n";
    }
    return out;
}

const TIniFile::Section *TIniFile::findSection(std::string_view name) const
{
    for (const Section &s : m_sections) {
        if (SameKey(s.name, name))
            return &s;
    }
    return nullptr;
}

TIniFile::Section *TIniFile::findSection(std::string_view name)
{
    return const_cast<Section *>(static_cast<const TIniFile *>(this)->findSection(name));
}

std::optional<std::string> TIniFile::rawValue(std::string_view section, std::string_view key) const
{
    if (const Section *s = findSection(section)) {
        for (const Line &l : s->lines) {
            if (!l.comment && SameKey(l.key, key))
                return l.value;
        }
    }
    return std::nullopt;
}

bool TIniFile::SectionExists(std::string_view section) const
{
    return findSection(section) != nullptr;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const
{
    return rawValue(section, key).has_value();
}

std::vector<std::string> TIniFile::SectionNames() const
{
    std::vector<std::string> names;
    for (const Section &s : m_sections)
        names.push_back(s.name);
    return names;
}

std::vector<std::string> TIniFile::KeyNames(std::string_view section) const
{
    std::vector<std::string> keys;
    if (const Section *s = findSection(section)) {
        for (const Line &l : s->lines) {
            if (!l.comment)
                keys.push_back(l.key);
        }
    }
    return keys;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const
{
    const std::optional<std::string> raw = rawValue(section, key);
    std::string value(raw ? unquote(*raw) : def);
    if (value.size() > MaxValueLength)
        value.resize(MaxValueLength);
    return value;
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int def) const
{
    const std::string text = ReadString(section, key, "");
    if (text.empty())
        return def;
    return ParseProfileInteger(text).value_or(def);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string cleanKey = oneLine(trim(key));
    if (cleanKey.empty())
        throw std::invalid_argument("An INI key must not be empty");
    Section *s = findSection(section);
    if (!s) {
        m_sections.push_back({oneLine(trim(section)), {}});
        s = &m_sections.back();
    }
    for (Line &l : s->lines) {
        if (!l.comment && SameKey(l.key, cleanKey)) {
            l.value = oneLine(value);
            return;
        }
    }
    s->lines.push_back({cleanKey, oneLine(value), false});
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value)
{
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key)
{
    if (Section *s = findSection(section)) {
        std::erase_if(s->lines, [&](const Line &l) { return !l.comment && SameKey(l.key, key); });
    }
}

void TIniFile::EraseSection(std::string_view section)
{
    std::erase_if(m_sections, [&](const Section &s) { return SameKey(s.name, section); });
}

void TIniFile::UpdateFile() const
{
    try {
        if (m_fileName.empty())
            throw std::runtime_error("no file name");
        if (m_fileName.has_parent_path())
            std::filesystem::create_directories(m_fileName.parent_path());
        WriteFileAtomically(m_fileName, Text(), 0600);
    } catch (const std::exception &e) {
        throw std::runtime_error("Unable to write to " + m_fileName.string() + " (" + e.what() + ")");
    }
}

} // namespace fetchly
