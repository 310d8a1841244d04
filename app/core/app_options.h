#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace fetchly {

class TIniFile;

// The accepted link types and the one the options dialog had selected
// (-1: none).
struct TLinkTypeList {
    std::vector<std::string> Types;
    int Selected = -1;
    bool operator==(const TLinkTypeList &) const = default;
};

inline constexpr int MaxConnections = 16;
inline constexpr int MaxRetries = 20;
// The highest speed limit one can set, in KB/s (about 1 GB/s).
inline constexpr int MaxLimitRate = 1000000;

// Every setting the user can change, as one value: the options dialog
// edits a copy of it, the window configures the engine from it, and it
// lives in Fetchly.ini. A new value holds the designed defaults of
// OptionKeys; the target directory's default (the download folder) is the
// caller's to give, since finding it needs the desktop.
struct TAppOptions {
    TAppOptions();

    bool FtpPassive = false;
    std::string Proxy;
    std::string ProxyPassword;
    std::string ProxyUserID;
    bool ShowDialog = false;
    bool ShowOpenFile = false;
    bool ShowOpenFolder = false;
    std::string TargetDir;
    TLinkTypeList LinkTypes;
    // How downloads use the line: connections per download and retries of
    // a failure that may pass.
    int Connections = 0;
    int Retries = 0;
    // Downloads at once in a run, and the process's speed limit in KB/s
    // (0: none).
    int Simultaneous = 0;
    int LimitRate = 0;

    bool IsAcceptedLink(std::string_view url) const;
    bool operator==(const TAppOptions &) const = default;
};

using TOptionField = std::variant<bool TAppOptions::*, int TAppOptions::*, std::string TAppOptions::*,
                                  TLinkTypeList TAppOptions::*>;

// Where one option lives in the INI file and what it is without one. The
// key names are those of the dialog's controls, so files of every earlier
// version keep their meaning. Numbers are brought into [Min, Max]; a link
// type list keeps its index under its key and its items in a section named
// after it.
struct TOptionKey {
    std::string_view Section;
    std::string_view Key;
    TOptionField Field;
    int Default = 0;              // booleans and numbers
    std::string_view DefaultText; // texts
    int Min = 0;
    int Max = 0;
};

// In the order the keys are written, which is the order a new file has.
extern const std::array<TOptionKey, 13> OptionKeys;

// Reads every option, each falling back to its value in `defaults` when
// missing or not a number. Link types stored without their dot get one, and
// only the first of those that then read the same stays.
TAppOptions ReadAppOptions(const TIniFile &ini, TAppOptions defaults);
// Writes every option over what the file holds, keeping its other keys,
// its comments and its order.
void WriteAppOptions(const TAppOptions &options, TIniFile &ini);

// Fetchly.ini. A file that exists but cannot be read (too large, not
// readable, damaged) is moved aside whole before anything is written over
// it; when it cannot be moved either, it is never written.
class TOptionsFile {
public:
    explicit TOptionsFile(std::filesystem::path path);

    const std::filesystem::path &Path() const { return m_path; }
    TAppOptions Load(const TAppOptions &defaults);
    // Throws std::runtime_error ("Unable to write to ...") when the file
    // cannot be written, or when it could not be read nor moved aside.
    void Save(const TAppOptions &options);
    // What went wrong reading the file, for the status bar; empty when
    // nothing did.
    const std::string &LoadProblem() const { return m_loadProblem; }

private:
    TIniFile read();

    std::filesystem::path m_path;
    std::string m_loadProblem;
    bool m_keepOff = false;
};

// Reads an INI file; one that cannot be read is kept aside as above.
// `problem` then says what happened; `keepOff` becomes true when the file
// could not be moved and must not be written over.
TIniFile ReadIniKeepingAside(const std::filesystem::path &path, std::string &problem, bool &keepOff);

} // namespace fetchly
