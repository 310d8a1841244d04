#pragma once

#include "transfer/fetch_types.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace fetchly {

// What a finished download notes with its file, so that fetching the same
// URL into the same file again can first ask the server whether it changed:
// the URL, the server's validator (a strong ETag or a Last-Modified date)
// and the file's size and modification time as the download left them. A
// file that was changed since (another size or time) is no longer the
// download's. The SHA-256 the download computed as it wrote the file comes
// last; records written before it was kept have none.
struct TFinishedRecord {
    std::string Url;
    std::string Validator; // "" when the server gave none
    TFetchSize Size = 0;
    std::int64_t MtimeNs = 0;
    std::string Sha256; // lower-case hex, "" when not known
};

// The records of files on file systems without user attributes: a small
// index of at most a few hundred files, by path, the newest kept when it is
// full. Every read is bounded, every write replaces the file whole, and
// writers of several processes take turns (a lock beside the index).
class TFinishedIndex {
public:
    // The index of this user: $XDG_STATE_HOME/fetchly/finished-files
    // (~/.local/state/fetchly when the variable is unset).
    static TFinishedIndex User();
    static constexpr std::size_t DefaultEntries = 512;
    explicit TFinishedIndex(std::string file, std::size_t entries = DefaultEntries)
        : m_file(std::move(file)), m_entries(entries)
    {
    }

    std::optional<TFinishedRecord> Find(const std::string &path) const;
    bool Put(const std::string &path, const TFinishedRecord &record) const;

private:
    std::string m_file;
    std::size_t m_entries;
};

// Notes with the file at `path`, just downloaded from `url`, the record of
// that download (in the attribute "user.fetchly.done", else in the user's
// index). False when it could not be kept.
// `sha256` is the file's digest as lower-case hex ("" when it is not known).
bool RecordFinished(const std::string &path, const std::string &url, const std::string &validator,
                    const std::string &sha256 = {});

// The record of the file at `path` when it names `url` and the file is as
// that download left it (same size and modification time).
std::optional<TFinishedRecord> UnchangedSince(const std::string &path, const std::string &url);

// Whose the file at `path` is: the URL its record names when the file is
// still as that download left it; nothing for a file without a record or
// one changed since.
std::optional<std::string> FinishedFrom(const std::string &path);

// The SHA-256 the download of the file at `path` computed, while the file is
// still as that download left it; "" otherwise, or when it was not kept.
// Reads only the record (and stats the file), never the file's bytes.
std::string RecordedSha256(const std::string &path);

// The request header that asks a server whether the file it has still is
// `validator`'s version ("If-None-Match: ..." for an ETag, else
// "If-Modified-Since: ..."); "" for no validator.
std::string ConditionalHeader(const std::string &validator);

} // namespace fetchly
