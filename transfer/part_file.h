#pragma once

#include "base/unique_fd.h"

#include "transfer/byte_ranges.h"
#include "transfer/fetch_types.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace fetchly {

// What an attempt noted about the data in its part file, so that a later
// attempt may continue it: where the data came from, the server's proof of
// the version (an ETag, a Last-Modified date or an FTP size), the file's
// size, and which bytes are proven to be that version's.
struct TPartRecord {
    std::string Source;
    std::string Validator;
    TFetchSize Total = -1; // -1 while unknown
    // True when the data was written in order from the start, so the part's
    // size is what is proven; else Proven says it.
    bool InOrder = true;
    TByteRanges Proven;
};

// The file a download writes before it is complete: NAME.part beside NAME.
// It is opened without following a symbolic link and only as a regular
// file, and becomes NAME by a rename once it is complete and on disk, so an
// existing NAME is never touched by a failed or cancelled download.
//
// A part is ours only when it carries our record and has no other link; a
// NAME.part that is not (the user's own file, a hard link to a file
// elsewhere) is left as it is and another name is used. While open, the
// part is locked (an exclusive lock on its open file), so one transfer at
// most writes it. A name too long for NAME.part is shortened, keeping a
// short hash of the whole name.
//
// The record is kept in the part file's extended attribute "user.fetchly.part";
// where the file system has no user attributes, in a sidecar PART.fetchly.
class TPartFile {
public:
    explicit TPartFile(std::string target);
    ~TPartFile();
    TPartFile(const TPartFile &) = delete;
    TPartFile &operator=(const TPartFile &) = delete;

    const std::string &Target() const { return m_target; }
    // The part's path: the one open, else the one Open would create.
    const std::string &Path() const { return m_path; }

    // False when NAME or NAME.part is a FIFO, a device or a socket, which
    // would block the download or be damaged by it. (A symbolic link at NAME
    // is fine: the rename replaces it.)
    bool PlaceIsUsable() const;

    // Opens our part if one is there (nothing is created); false when there
    // is none or it is held by another transfer (Busy then).
    bool OpenExisting();
    // Opens our part, creating a new one (with an empty record) when none is
    // there; false when that fails or another transfer holds it (Busy).
    // Never blocks.
    bool Open();
    bool Busy() const { return m_busy; }
    bool IsOpen() const { return m_fd.Valid(); }
    TFetchSize Size() const;

    // The record of an earlier attempt, if one is there and readable.
    std::optional<TPartRecord> ReadRecord() const;
    bool WriteRecord(const TPartRecord &record);
    // The bytes the record proves for a download of `source` (its validator
    // and total in `record`); empty when the record names another source,
    // has no validator or is not readable.
    TByteRanges ProvenFor(const std::string &source, TPartRecord &record) const;

    // Empties the part for a start from zero.
    bool Restart();
    bool TruncateTo(TFetchSize size);
    // Keeps only `proven`: the part ends with it, and the stretches between
    // are given back to the file system.
    void Trim(const TByteRanges &proven);
    // Writes all bytes at `offset`; false on a write error (errno tells).
    bool WriteAt(TFetchSize offset, const char *data, std::size_t size);
    // Reads `size` bytes at `offset`; false unless all of them are there.
    bool ReadAt(TFetchSize offset, char *data, std::size_t size) const;

    // Flushes the data to disk and renames the part onto NAME; the record
    // goes. False (the part kept) when any step fails.
    bool Commit();
    // Closes the file, keeping it and its record for a later attempt.
    bool Close();
    // Closes and removes the part and its record.
    void Discard();

private:
    friend bool RemoveOwnPart(const std::string &target, const std::string &source);

    // The sources the parts of `target` record ("" for a part just made, whose
    // source is not written yet), read without taking the parts' locks.
    std::vector<std::string> PartSources(const std::string &target);
    // Opens candidate `index` when it is ours; false for a foreign or
    // missing one (Busy set when another transfer holds it).
    bool openCandidate(int index);
    // Starts the disk writes of a stream's data in steps while the download
    // goes on, so the flush at its end has little left to wait for.
    void handOver(TFetchSize from, TFetchSize to);

    std::string m_target;
    std::string m_path;
    TUniqueFd m_fd;
    bool m_busy = false;
    // Where each stream of writes goes on, and where its data not yet
    // handed to the disk begins.
    struct Stream {
        TFetchSize next = 0;
        TFetchSize clean = 0;
    };
    std::vector<Stream> m_streams;
};

// Removes the part of `target` that a download of `source` left, when it is
// ours and no transfer holds it; true when one was removed.
bool RemoveOwnPart(const std::string &target, const std::string &source);

// The sources the parts of `target` record ("" for a part just made, whose
// source is not written yet), read without taking the parts' locks.
std::vector<std::string> PartSources(const std::string &target);

} // namespace fetchly
