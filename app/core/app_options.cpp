#include "app/core/app_options.h"

#include "app/core/download_lines.h"
#include "app/core/entry_table.h"
#include "app/core/ini_file.h"
#include "app/core/kept_aside.h"
#include "transfer/fetch_scheduler.h"

#include <algorithm>
#include <stdexcept>

namespace fetchly {

namespace {

constexpr const char *Values = "Values";
// A list longer than this is not one the dialog wrote.
constexpr int MaxStoredLinkTypes = 100000;

template <class... F> struct Overloaded : F... {
    using F::operator()...;
};
template <class... F> Overloaded(F...) -> Overloaded<F...>;

// A type stored without its dot could never match: it gets one, and only
// the first of types that then read the same stays. The selection keeps its
// row when the list still has it.
TLinkTypeList normalised(const TLinkTypeList &stored)
{
    TLinkTypeList list;
    for (const std::string &typed : stored.Types) {
        const std::string type = LinkTypeFromInput(typed);
        const bool known = std::any_of(list.Types.begin(), list.Types.end(),
                                       [&](const std::string &t) { return SameKey(t, type); });
        if (!type.empty() && !known)
            list.Types.push_back(type);
    }
    list.Selected = stored.Selected < static_cast<int>(list.Types.size()) ? stored.Selected : -1;
    return list;
}

TLinkTypeList readLinkTypes(const TIniFile &ini, std::string_view key, TLinkTypeList list)
{
    // Items first, so the stored index selects among the stored items.
    if (ini.ValueExists(key, "Count")) {
        const int count = ini.ReadInteger(key, "Count", -1);
        if (count >= 0 && count <= MaxStoredLinkTypes) {
            list.Types.clear();
            for (int i = 0; i < count; ++i)
                list.Types.push_back(ini.ReadString(key, "Item" + std::to_string(i), ""));
        }
    }
    const int index = ini.ReadInteger(Values, key, list.Selected);
    list.Selected = index >= 0 && index < static_cast<int>(list.Types.size()) ? index : -1;
    return normalised(list);
}

void writeLinkTypes(TIniFile &ini, std::string_view key, const TLinkTypeList &list)
{
    ini.WriteInteger(Values, key, list.Selected);
    // Written afresh, so items deleted since the last save go.
    ini.EraseSection(key);
    ini.WriteInteger(key, "Count", static_cast<int>(list.Types.size()));
    for (std::size_t i = 0; i < list.Types.size(); ++i)
        ini.WriteString(key, "Item" + std::to_string(i), list.Types[i]);
}

} // namespace

// The dialog's designed values, under its controls' names.
const std::array<TOptionKey, 13> OptionKeys = {{
    {Values, "CheckBox1", &TAppOptions::FtpPassive},
    {Values, "ProxEdit", &TAppOptions::Proxy},
    {Values, "PassEdit", &TAppOptions::ProxyPassword},
    {Values, "UserEdit", &TAppOptions::ProxyUserID},
    {Values, "CheckBox2", &TAppOptions::ShowDialog},
    {Values, "CheckBox3", &TAppOptions::ShowOpenFile},
    {Values, "CheckBox4", &TAppOptions::ShowOpenFolder},
    {Values, "diredit", &TAppOptions::TargetDir},
    {Values, "LinksList", &TAppOptions::LinkTypes, -1},
    {"Transfer", "Connections", &TAppOptions::Connections, 8, {}, 1, MaxConnections},
    {"Transfer", "Retries", &TAppOptions::Retries, 5, {}, 0, MaxRetries},
    {"Transfer", "Simultaneous", &TAppOptions::Simultaneous, DefaultSimultaneous, {}, 1, MaxSimultaneous},
    {"Transfer", "LimitRate", &TAppOptions::LimitRate, 0, {}, 0, MaxLimitRate},
}};

TAppOptions::TAppOptions()
{
    for (const TOptionKey &k : OptionKeys) {
        std::visit(Overloaded{
                       [&](bool TAppOptions::*f) { this->*f = k.Default != 0; },
                       [&](int TAppOptions::*f) { this->*f = k.Default; },
                       [&](std::string TAppOptions::*f) { this->*f = std::string(k.DefaultText); },
                       [&](TLinkTypeList TAppOptions::*f) {
                           this->*f = {DefaultLinkTypes(), k.Default};
                       },
                   },
                   k.Field);
    }
}

bool TAppOptions::IsAcceptedLink(std::string_view url) const
{
    return fetchly::IsAcceptedLink(url, LinkTypes.Types);
}

TAppOptions ReadAppOptions(const TIniFile &ini, TAppOptions o)
{
    for (const TOptionKey &k : OptionKeys) {
        std::visit(Overloaded{
                       [&](bool TAppOptions::*f) { o.*f = ini.ReadBool(k.Section, k.Key, o.*f); },
                       [&](int TAppOptions::*f) {
                           o.*f = std::clamp(ini.ReadInteger(k.Section, k.Key, o.*f), k.Min, k.Max);
                       },
                       [&](std::string TAppOptions::*f) { o.*f = ini.ReadString(k.Section, k.Key, o.*f); },
                       [&](TLinkTypeList TAppOptions::*f) { o.*f = readLinkTypes(ini, k.Key, o.*f); },
                   },
                   k.Field);
    }
    return o;
}

void WriteAppOptions(const TAppOptions &o, TIniFile &ini)
{
    for (const TOptionKey &k : OptionKeys) {
        std::visit(Overloaded{
                       [&](bool TAppOptions::*f) { ini.WriteBool(k.Section, k.Key, o.*f); },
                       [&](int TAppOptions::*f) { ini.WriteInteger(k.Section, k.Key, o.*f); },
                       [&](std::string TAppOptions::*f) { ini.WriteString(k.Section, k.Key, o.*f); },
                       [&](TLinkTypeList TAppOptions::*f) { writeLinkTypes(ini, k.Key, o.*f); },
                   },
                   k.Field);
    }
}

TIniFile ReadIniKeepingAside(const std::filesystem::path &path, std::string &problem, bool &keepOff)
{
    TIniFile ini(path);
    if (ini.LoadError().empty())
        return ini;
    const std::string what =
        "Error : The settings file " + path.string() + " could not be read (" + ini.LoadError() + "). ";
    try {
        const std::filesystem::path kept = KeepAside(path, "unreadable");
        problem = what + "It was kept as " + kept.filename().string() +
                  "; the options not found in it have their defaults.";
    } catch (const std::exception &e) {
        keepOff = true;
        problem = what + e.what() + " It will not be written over.";
    }
    return ini;
}

TOptionsFile::TOptionsFile(std::filesystem::path path) : m_path(std::move(path)) {}

TIniFile TOptionsFile::read()
{
    return ReadIniKeepingAside(m_path, m_loadProblem, m_keepOff);
}

TAppOptions TOptionsFile::Load(const TAppOptions &defaults)
{
    return ReadAppOptions(read(), defaults);
}

void TOptionsFile::Save(const TAppOptions &options)
{
    // Read again: what the file holds besides the options stays, and a file
    // damaged since the start is kept aside too.
    TIniFile ini = read();
    if (m_keepOff)
        throw std::runtime_error("Unable to write to " + m_path.string() +
                                 " (it could not be read and is kept as it is)");
    WriteAppOptions(options, ini);
    ini.UpdateFile();
}

} // namespace fetchly
