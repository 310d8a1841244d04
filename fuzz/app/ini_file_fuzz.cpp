// The INI reader on whatever bytes a settings file holds.
#include "app/core/app_options.h"
#include "app/core/ini_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    fetchly::TIniFile ini;
    ini.Parse(text);
    long long sum = 0;
    for (const std::string &section : ini.SectionNames()) {
        for (const std::string &key : ini.KeyNames(section)) {
            if (ini.ReadString(section, key, "").size() > fetchly::TIniFile::MaxValueLength)
                std::abort();
            sum += ini.ReadInteger(section, key, 0);
            sum += ini.ReadBool(section, key, false);
        }
    }
    // Writing what was read and reading it again changes nothing more.
    const std::string once = ini.Text();
    fetchly::TIniFile again;
    again.Parse(once);
    if (again.Text() != once)
        std::abort();
    again.WriteString("Values", "Key\nInjected", "value\r\n[Position]\nLeft=1");
    fetchly::TIniFile third;
    third.Parse(again.Text());
    if (third.ValueExists("Position", "Left") != again.ValueExists("Position", "Left"))
        std::abort();
    // The options read from any file stay within what the program can use.
    const fetchly::TAppOptions options = fetchly::ReadAppOptions(ini, fetchly::TAppOptions());
    if (options.Connections < 1 || options.Connections > fetchly::MaxConnections || options.Retries < 0 ||
        options.Retries > fetchly::MaxRetries ||
        options.LinkTypes.Selected >= static_cast<int>(options.LinkTypes.Types.size()))
        std::abort();
    fetchly::WriteAppOptions(options, ini);
    (void)fetchly::ParseProfileInteger(text);
    return sum == 0x7fffffffffffll;
}
