#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace fetchly::inspect {

// Reads the version resource of a Windows program or library (32-bit or
// 64-bit PE file) by finding the version block in the file's resources
// itself, and answers its string values as UTF-8. Nothing is thrown: a file
// without a readable block gives Valid() false and empty values.
class TVersionResource {
public:
    explicit TVersionResource(const std::string &fileName);
    // Reads from bytes already in memory (the fuzzer's way in).
    static TVersionResource FromMemory(std::string_view bytes);

    const std::string &FileName() const { return m_fileName; }
    bool Valid() const { return m_valid; }
    // Language then code page as 8 upper-case hex digits ("040904B0"), or empty.
    std::string Translation() const;
    // The string `name` of the string table of Translation(), or empty.
    std::string VersionValue(std::string_view name) const;

    std::string Comments() const { return VersionValue("Comments"); }
    std::string CompanyName() const { return VersionValue("CompanyName"); }
    std::string FileDescription() const { return VersionValue("FileDescription"); }
    // The "FileVersion" string, or the fixed part's four numbers joined by dots.
    std::string FileVersion() const;
    std::string InternalName() const { return VersionValue("InternalName"); }
    std::string LegalCopyright() const { return VersionValue("LegalCopyright"); }

    // The raw version block (VS_VERSIONINFO), empty when not Valid().
    const std::string &Block() const { return m_block; }

private:
    TVersionResource() = default;
    // Looks up a "\"-separated path in the block; the value bytes, or false.
    bool queryValue(std::string_view path, std::string_view &value, bool &isText) const;

    std::string m_fileName;
    bool m_valid = false;
    std::string m_block;
};

} // namespace fetchly::inspect
