#pragma once

#include "app/core/app_options.h"
#include "app/core/entry_table.h"
#include "app/core/list_saver.h"

#include <chrono>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace fetchly {

// The files of one session of the program: the options file, the saved
// list (SavedFiles.ufi in the data folder) with the writer that saves it in
// the background, and what became of a file that could not be read. Start-up
// runs its steps one by one, each reporting its own trouble as a note; the
// end writes the list and the options through one path. Destroying the
// session finishes the writes still queued.
class TAppSession {
public:
    // Called on the writer's thread when a background write failed.
    using SaveFailed = std::function<void(const std::string &error)>;

    TAppSession(std::string dataDir, SaveFailed saveFailed);

    const std::string &DataDir() const { return m_dataDir; }
    std::string ListPath() const { return m_dataDir + "SavedFiles.ufi"; }

    // --- start-up
    // Runs one step; one that throws becomes the note "Error : " and its
    // message, and the steps after it still run.
    template <class Step> void StartupStep(Step &&step)
    {
        try {
            step();
        } catch (const std::exception &e) {
            AddNote(std::string("Error : ") + e.what());
        } catch (...) {
            AddNote("Error : unknown error");
        }
    }
    void AddNote(std::string note);
    // What went wrong starting, in order, for the status bar; empty when
    // nothing did.
    std::string Notes() const;
    // The options in Fetchly.ini over `defaults`.
    TAppOptions LoadOptions(const TAppOptions &defaults);
    // Temporary files of a save that a crash or power cut interrupted.
    void RemoveLeftovers();
    // The saved list's lines. A file that cannot be read, or is damaged, is
    // moved aside before anything is saved over it; when it cannot be moved,
    // the list is not saved at all.
    std::vector<std::string> LoadList();
    // The table as it was loaded counts as saved.
    void MarkSaved(const TEntryTable &table) { m_savedGeneration = table.Generation(); }

    // --- saving
    // Hands the table to the writer when it changed since the last write.
    // During a run the state of entries changes often: then the list is
    // written at most every 5 seconds, and the time left until the next
    // write is returned, for the caller to ask again.
    std::optional<std::chrono::milliseconds> AutoSave(const TEntryTable &table, bool running);
    // Writes the list now, after any write still under way; throws when it
    // cannot be written.
    void SaveList(const TEntryTable &table);
    // Throws when Fetchly.ini cannot be written.
    void SaveOptions(const TAppOptions &options);
    // A background write failed: the next change tries again.
    void MarkListUnsaved() { m_savedGeneration = static_cast<std::size_t>(-1); }
    // The end of a session: the list and the options, each written even when
    // the other fails. Returns what failed.
    std::vector<std::string> SaveAll(const TEntryTable &table, const TAppOptions &options);

private:
    void keepListAside(const std::string &tag, const std::string &reason);

    std::string m_dataDir;
    std::unique_ptr<TOptionsFile> m_optionsFile;
    std::vector<std::string> m_notes;
    // False while a list that could not be read still lies where the list
    // would be saved.
    bool m_listWritable = true;
    std::size_t m_savedGeneration = 0;
    std::chrono::steady_clock::time_point m_lastSave{};
    TListSaver m_saver;
};

} // namespace fetchly
