#include "transfer/written_digest.h"

#include <algorithm>

namespace fetchly {

namespace {

// The read-back buffer, and the most a single write may make the download
// wait for reading back (some milliseconds). The buffer is kept small: a
// copy out of the page cache that stays within the core's caches costs a
// fraction of a larger one's (64 KiB reads of a cached GiB took 0.15 s of
// system time here, 128 KiB and more 0.65 s, about what mapping it costs).
constexpr std::size_t ReadBackSlice = 64 << 10;
constexpr TFetchSize CatchUpPerWrite = 4 << 20;

} // namespace

TWrittenDigest::TWrittenDigest(TReadBack readBack) : m_read(std::move(readBack)) {}

void TWrittenDigest::Restart()
{
    m_sha.Reset();
    m_hashed = 0;
    m_ahead.Clear();
    m_head.clear();
    m_failed = false;
}

void TWrittenDigest::Kept(const TByteRanges &ranges)
{
    for (const auto &[first, end] : ranges.Ranges())
        if (end > m_hashed)
            m_ahead.Add(std::max(first, m_hashed), end);
}

void TWrittenDigest::hash(const char *data, std::size_t size)
{
    if (m_head.size() < HeadBytes)
        m_head.append(data, std::min(size, HeadBytes - m_head.size()));
    m_sha.Update(data, size);
    m_hashed += static_cast<TFetchSize>(size);
}

void TWrittenDigest::catchUp(TFetchSize budget, TFetchSize until)
{
    while (budget > 0 && !m_failed) {
        TFetchSize end = until;
        if (end < 0) {
            const auto &ranges = m_ahead.Ranges();
            const auto next = std::find_if(ranges.begin(), ranges.end(),
                                           [this](const auto &r) { return r.second > m_hashed; });
            if (next == ranges.end() || next->first > m_hashed)
                return;
            end = next->second;
        }
        if (end <= m_hashed)
            return;
        const auto take = static_cast<std::size_t>(
            std::min({end - m_hashed, budget, static_cast<TFetchSize>(ReadBackSlice)}));
        m_buffer.resize(ReadBackSlice);
        if (!m_read(m_hashed, m_buffer.data(), take)) {
            m_failed = true;
            return;
        }
        m_readBack += static_cast<TFetchSize>(take);
        budget -= static_cast<TFetchSize>(take);
        hash(m_buffer.data(), take);
    }
}

void TWrittenDigest::Written(TFetchSize offset, const char *data, std::size_t size)
{
    if (size == 0 || m_failed)
        return;
    catchUp(CatchUpPerWrite);
    const TFetchSize end = offset + static_cast<TFetchSize>(size);
    if (offset == m_hashed) {
        hash(data, size);
    } else if (offset > m_hashed) {
        m_ahead.Add(offset, end);
    } else {
        // Hashed bytes written again (no download of ours does that): the
        // digest starts over from what the file holds.
        m_ahead.Add(0, std::max(m_hashed, end));
        const TByteRanges written = m_ahead;
        Restart();
        m_ahead = written;
    }
}

std::string TWrittenDigest::Finish(TFetchSize size)
{
    catchUp(std::max<TFetchSize>(size - m_hashed, 0), size);
    if (m_failed || m_hashed != size)
        return {};
    std::string hex = m_sha.FinishHex();
    // The stream starts over on FinishHex: so does what it covers.
    const std::string head = m_head;
    Restart();
    m_head = head;
    return hex;
}

} // namespace fetchly
