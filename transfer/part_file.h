#pragma once

#include "transfer/fetch_types.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace fetchly {

// What an attempt noted about the data in its part file, so that a later
// attempt may continue it: where the data came from, the server's proof of
// the version (an ETag, a Last-Modified date or an FTP size), and how many
// bytes from the start are known to be good.
struct TPartRecord {
    std::string Source;
    std::string Validator;
    // Bytes from the start that are complete; -1 when the data was written
    // in order, so the file's size is the count.
    TFetchSize Valid = -1;
};

// The file a download writes before it is complete: NAME.part beside NAME.
// It is opened without following a symbolic link and only as a regular
// file, and becomes NAME by a rename once it is complete and on disk, so an
// existing NAME is never touched by a failed or cancelled download.
//
// The record is kept in the part file's extended attribute "user.fetchly.part";
// where the file system has no user attributes, in a sidecar NAME.part.fetchly.
class TPartFile {
public:
    explicit TPartFile(std::string target);
    ~TPartFile();
    TPartFile(const TPartFile &) = delete;
    TPartFile &operator=(const TPartFile &) = delete;

    const std::string &Target() const { return m_target; }
    const std::string &Path() const { return m_path; }

    // False when NAME or NAME.part is a FIFO, a device or a socket, which
    // would block the download or be damaged by it. (A symbolic link at NAME
    // is fine: the rename replaces it.)
    bool PlaceIsUsable() const;

    // Opens (creating when missing) the part file; false when it cannot be
    // made or is not a regular file. Never blocks.
    bool Open();
    bool IsOpen() const { return m_fd >= 0; }
    TFetchSize Size() const;

    // The record of an earlier attempt, if one is there and readable.
    std::optional<TPartRecord> ReadRecord() const;
    bool WriteRecord(const TPartRecord &record);
    // Where a download of `source` may continue: the good bytes of the part
    // when its record names that source, else 0 (the part is emptied then).
    // `validator` receives the record's validator.
    TFetchSize ResumePoint(const std::string &source, std::string &validator);

    // Empties the part for a start from zero.
    bool Restart();
    bool TruncateTo(TFetchSize size);
    // Writes all bytes at `offset`; false on a write error.
    bool WriteAt(TFetchSize offset, const char *data, std::size_t size);

    // Flushes the data to disk and renames the part onto NAME; the record
    // goes. False (the part kept) when any step fails.
    bool Commit();
    // Closes the file, keeping it and its record for a later attempt.
    bool Close();
    // Closes and removes the part and its record (a cancelled download).
    void Discard();

private:
    std::string sidecarPath() const { return m_path + ".fetchly"; }
    // Starts the disk writes of a stream's data in steps while the download
    // goes on, so the flush at its end has little left to wait for.
    void handOver(TFetchSize from, TFetchSize to);

    std::string m_target;
    std::string m_path;
    int m_fd = -1;
    bool m_opened = false;
    // Where each stream of writes goes on, and where its data not yet
    // handed to the disk begins.
    struct Stream {
        TFetchSize next = 0;
        TFetchSize clean = 0;
    };
    std::vector<Stream> m_streams;
};

} // namespace fetchly
