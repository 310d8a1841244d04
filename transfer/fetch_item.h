#pragma once

#include "transfer/fetch_types.h"
#include "transfer/request_headers.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

namespace fetchly {

// One file to download, upload or copy. What URL, TargetDir and the FTP
// fields mean depends on Protocol (see transfer_operations.h).
struct TFetchItem {
    int ExternalIndex = 0;
    std::string URL;
    std::string TargetDir;
    std::string TargetFilename;
    TFetchProtocol Protocol = TFetchProtocol::wpHttp;
    TFetchHTTPCommand HTTPCommand = TFetchHTTPCommand::hcPost;
    std::string FTPHost;
    std::string FTPUserID;
    std::string FTPPassword;
    int FTPPort = 21;
    // Sent with every request of an HTTP download (each connection, retry
    // and resume): what the site wants from the browser that handed the
    // link over. Secrets: kept in memory only, never shown or written.
    TRequestHeaders RequestHeaders;
    bool Active = true;
    // Run-time result: true after a transfer that succeeded in a run that
    // was not cancelled.
    bool Done = false;
};

// The engine's item collection. Every member is safe to call from any
// thread. A running run sees the items that were present when Start was
// last called, so items added from another thread are taken up by the
// running run once Start is called again.
//
// Add() hands out a reference for filling in the fields; fill it before
// calling Start, from the thread that added it. Add(item) appends a
// complete item in one step.
class TFetchItems {
public:
    TFetchItems() = default;
    TFetchItems(const TFetchItems &) = delete;
    TFetchItems &operator=(const TFetchItems &) = delete;

    TFetchItem &Add();
    int Add(const TFetchItem &item);
    void Clear();
    int Count() const;

    // Direct access for the owner while no run uses the item.
    TFetchItem &operator[](int index);
    // A copy taken under the collection's lock; throws std::out_of_range.
    TFetchItem Get(int index) const;
    void Set(int index, const TFetchItem &item);

    int ActiveItemCount() const;
    int NetworkItemCount() const;

    // Used by the run: the items published by Start, the collection's
    // generation (bumped by Clear) and the result of an item.
    void Publish();
    int PublishedCount() const;
    std::uint64_t Generation() const;
    std::optional<TFetchItem> Published(int index, std::uint64_t generation) const;
    void SetDone(int index, std::uint64_t generation, bool done);

private:
    mutable std::mutex m_mutex;
    std::deque<TFetchItem> m_items;
    int m_published = 0;
    std::uint64_t m_generation = 0;
};

} // namespace fetchly
