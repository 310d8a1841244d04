#include "app/core/app_session.h"

#include "app/core/app_paths.h"
#include "app/core/kept_aside.h"
#include "app/core/list_file.h"

#include <filesystem>
#include <stdexcept>
#include <utility>

namespace fetchly {

TAppSession::TAppSession(std::string dataDir, SaveFailed saveFailed)
    : m_dataDir(std::move(dataDir)),
      m_saver([saveFailed = std::move(saveFailed)](const std::filesystem::path &, const std::string &error) {
          if (!error.empty() && saveFailed)
              saveFailed(error);
      })
{
}

void TAppSession::AddNote(std::string note)
{
    if (!note.empty())
        m_notes.push_back(std::move(note));
}

std::string TAppSession::Notes() const
{
    std::string text;
    for (const std::string &note : m_notes)
        text += (text.empty() ? "" : "  ") + note;
    return text;
}

TAppOptions TAppSession::LoadOptions(const TAppOptions &defaults)
{
    m_optionsFile = std::make_unique<TOptionsFile>(ProfilePath("Fetchly.ini"));
    TAppOptions options = m_optionsFile->Load(defaults);
    AddNote(m_optionsFile->LoadProblem());
    return options;
}

void TAppSession::RemoveLeftovers()
{
    RemoveLeftoverTemporaries(ListPath());
    if (m_optionsFile)
        RemoveLeftoverTemporaries(m_optionsFile->Path());
}

std::vector<std::string> TAppSession::LoadList()
{
    const std::filesystem::path path(ListPath());
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec)
        return {};
    TListFileContents contents;
    try {
        contents = ReadListFile(path);
    } catch (const std::exception &e) {
        keepListAside("unreadable", std::string("could not be read (") + e.what() + ")");
        return {};
    }
    if (contents.damagedLine)
        keepListAside("damaged", "is damaged at line " + std::to_string(*contents.damagedLine) +
                                     " (a NUL byte): the lines from there on were not loaded");
    return std::move(contents.lines);
}

void TAppSession::keepListAside(const std::string &tag, const std::string &reason)
{
    const std::string what = "Error : The list file " + ListPath() + ' ' + reason + ". ";
    try {
        const std::filesystem::path kept = KeepAside(ListPath(), tag);
        AddNote(what + "The file was kept as " + kept.filename().string() + '.');
    } catch (const std::exception &e) {
        m_listWritable = false;
        AddNote(what + e.what() + " The list will not be saved over it.");
    }
}

std::optional<std::chrono::milliseconds> TAppSession::AutoSave(const TEntryTable &table, bool running)
{
    if (table.Generation() == m_savedGeneration || !m_listWritable)
        return std::nullopt;
    constexpr auto RunInterval = std::chrono::seconds(5);
    const auto now = std::chrono::steady_clock::now();
    if (running && now - m_lastSave < RunInterval)
        return std::chrono::duration_cast<std::chrono::milliseconds>(RunInterval - (now - m_lastSave));
    // The caller's thread only takes a snapshot; the writer formats and
    // writes it.
    m_saver.Submit(ListPath(), table.Snapshot());
    m_savedGeneration = table.Generation();
    m_lastSave = now;
    return std::nullopt;
}

void TAppSession::SaveList(const TEntryTable &table)
{
    if (!m_listWritable)
        throw std::runtime_error("The list was not saved: " + ListPath() +
                                 " could not be read and is kept as it is.");
    m_saver.SaveNow(ListPath(), table.Snapshot());
    m_savedGeneration = table.Generation();
    m_lastSave = std::chrono::steady_clock::now();
}

void TAppSession::SaveOptions(const TAppOptions &options)
{
    if (m_optionsFile)
        m_optionsFile->Save(options);
}

std::vector<std::string> TAppSession::SaveAll(const TEntryTable &table, const TAppOptions &options)
{
    std::vector<std::string> failed;
    const auto attempt = [&failed](auto &&save) {
        try {
            save();
        } catch (const std::exception &e) {
            failed.emplace_back(e.what());
        }
    };
    attempt([&] { SaveList(table); });
    attempt([&] { SaveOptions(options); });
    return failed;
}

} // namespace fetchly
