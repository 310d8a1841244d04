#pragma once

#include "digest/sha256_stream.h"
#include "transfer/byte_ranges.h"
#include "transfer/fetch_types.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace fetchly {

// The SHA-256 of a file computed while a download writes it, so a finished
// file costs no second read. Bytes written at the end of what is hashed so
// far (the prefix) are hashed as they go by. Bytes written further on (the
// other connections of a download by ranges, the kept part of a resumed
// one) are read back from the file once the prefix reaches them, a bounded
// slice per write so no connection waits long; what is still behind at the
// end is read back then. Every byte is hashed once: the extra cost is the
// read-back of what was not written in order, from the page cache as a rule.
//
// It also keeps the file's first bytes, for the check of what the file is.
class TWrittenDigest {
public:
    // Reads `size` bytes at `offset` of the file being written; false when
    // they cannot be read whole.
    using TReadBack = std::function<bool(TFetchSize offset, char *data, std::size_t size)>;
    // How many first bytes are kept.
    static constexpr std::size_t HeadBytes = 512;

    explicit TWrittenDigest(TReadBack readBack);

    // The file starts over, empty.
    void Restart();
    // `ranges` of the file hold data already (a part kept from before).
    void Kept(const TByteRanges &ranges);
    // `size` bytes have just been written at `offset`.
    void Written(TFetchSize offset, const char *data, std::size_t size);
    // The digest of the file's first `size` bytes, all of which are now
    // written, as lower-case hex; empty when a read-back failed.
    std::string Finish(TFetchSize size);

    // The file's first bytes (up to HeadBytes), as far as they are hashed.
    const std::string &Head() const { return m_head; }
    // Bytes read back so far: the cost of what did not come in order.
    TFetchSize ReadBack() const { return m_readBack; }

private:
    void hash(const char *data, std::size_t size);
    // Hashes, by reading back, what follows the prefix and is written
    // already, at most `budget` bytes (up to `until` when it is given, then
    // whatever is written or not).
    void catchUp(TFetchSize budget, TFetchSize until = -1);

    TReadBack m_read;
    digest::TSha256Stream m_sha;
    TFetchSize m_hashed = 0; // the prefix [0, m_hashed) is hashed
    TByteRanges m_ahead;     // written beyond the prefix, not hashed yet
    std::string m_head;
    std::vector<char> m_buffer;
    TFetchSize m_readBack = 0;
    bool m_failed = false;
};

} // namespace fetchly
