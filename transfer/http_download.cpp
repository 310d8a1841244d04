// HTTP download (and any URL curl fetches for wpHttp): into a part file,
// continued from an earlier attempt when the server proves the file
// unchanged, retried on transient failures, and split over several
// connections when the server serves ranges. Every connection is driven by
// the run's one multi handle on the worker thread.
#include "transfer/byte_ranges.h"
#include "transfer/finished_record.h"
#include "transfer/format_functions.h"
#include "transfer/host_budget.h"
#include "transfer/http_head.h"
#include "transfer/local_file.h"
#include "transfer/part_file.h"
#include "transfer/target_name.h"
#include "transfer/transfer_operations.h"
#include "transfer/transfer_watch.h"
#include "transfer/url_functions.h"
#include "transfer/written_digest.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace fetchly {

namespace {

using Clock = std::chrono::steady_clock;

// libcurl hands over data in blocks of this size; the progress step still
// follows every 4096 bytes, but the disk sees fewer, larger writes.
constexpr long ReceiveBufferSize = 100 * 1024;
// Under a speed limit a connection takes smaller blocks: a block is drawn
// whole, and one that runs past a range since split is thrown away.
constexpr long LimitedBufferSize = 16 * 1024;
// Files from this size on are worth more than one connection.
constexpr TFetchSize ParallelMinimum = 4 << 20;
// No connection is started for less than this.
constexpr TFetchSize RangeMinimum = 256 << 10;
// Refusals of extra connections tolerated before they count as failures.
constexpr int RefusalLimit = 64;
constexpr auto RefusalPause = std::chrono::milliseconds(200);
// Starts from zero after answers that did not fit a range request.
constexpr int RestartLimit = 2;
// The longest the loop sleeps before looking at Cancel again.
constexpr auto PollSlice = std::chrono::milliseconds(100);
// How often the record of a download by ranges is brought up to date.
constexpr auto RecordInterval = std::chrono::seconds(1);

bool isHttpUrl(const std::string &url)
{
    return strncasecmp(url.c_str(), "http://", 7) == 0 || strncasecmp(url.c_str(), "https://", 8) == 0;
}

bool schemeIsHttp(CURL *h)
{
    char *scheme = nullptr;
    if (curl_easy_getinfo(h, CURLINFO_SCHEME, &scheme) != CURLE_OK || !scheme)
        return false;
    return strncasecmp(scheme, "http", 4) == 0;
}

long responseCode(CURL *h)
{
    long code = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

// A stretch of the file: this attempt wrote it from begin to pos, and what
// is left of it runs from pos to end.
struct Segment {
    TFetchSize begin = 0;
    TFetchSize pos = 0;
    TFetchSize end = -1; // exclusive; -1 while the answer's length decides
    int failures = 0;
    bool busy = false;
    Clock::time_point due{};
    bool complete() const { return end >= 0 && pos >= end; }
};

// How an attempt failed.
struct Failure {
    CURLcode code = CURLE_OK;
    long status = 0;        // an HTTP status of 300 or more, else 0
    bool responded = false; // the server answered at all
    bool mayPass = false;   // an answer that did not fit, which a new request may mend
    std::string retryAfter;
    std::string reason; // in curl's or the system's words

    bool transient(const std::string &host) const
    {
        if (mayPass)
            return true;
        if (status >= 300)
            return IsTransientStatus(status);
        return IsTransientTransferError(code, host);
    }
    int errorCode() const { return status >= 300 ? static_cast<int>(status) : static_cast<int>(code); }
    std::string errorText() const
    {
        return status >= 300 ? "Returned http error code " + std::to_string(status)
                             : WinInetErrorText(static_cast<int>(code));
    }
};

class Download;

// One connection: an easy handle fetching the rest of one segment.
struct Connection {
    Connection(Download &o, Segment &s, bool p, TFetchRun &run) : owner(o), segment(&s), probe(p), watch(run)
    {
    }
    Download &owner;
    Segment *segment;
    bool probe; // the attempt's first connection, whose answer decides
    CurlEasy easy;
    CurlSlist headers;
    THttpHead head;
    TTransferWatch watch;
    std::string range;         // as asked ("" for the whole file)
    TFetchSize askFirst = 0;   // the range asked: from here
    TFetchSize askEnd = -1;    // to here (exclusive), -1 for the file's end
    TFetchSize limit = -1;     // where the accepted answer said its body ends
    bool accepted = false;     // its answer fits, its data goes into the part
    bool reachedEnd = false;   // stopped on purpose at its segment's end
    std::string fault;         // why its answer was not taken, when it did not fit
    THostBudget::TLease lease; // its place among the host's connections
};

class Download {
public:
    Download(TFetchRun &run, const TFetchItem &item)
        : m_run(run), m_item(item), m_url(item.URL),
          m_choice(ChooseTarget(DownloadTarget(item), item.URL, run.AsksOverwrite())),
          m_target(m_choice.Path), m_part(m_target), m_settings(run.Network()),
          m_digest(
              [this](TFetchSize at, char *data, std::size_t size) { return m_part.ReadAt(at, data, size); })
    {
    }
    bool Run();
    std::size_t Receive(Connection &c, const char *data, std::size_t size);

private:
    // Restart: the server's file is not the one the part began with, so it
    // starts over from zero. Plain: the answers to ranges cannot be used, so
    // the file comes over one connection without a range. Unchanged: the
    // file finished before is still the server's.
    enum class End { Done, Failed, Cancelled, Stopped, Restart, Plain, Unchanged };

    End attempt(bool plain);
    void pump();
    void addConnection(Segment &segment, bool probe, THostBudget::TLease lease);
    void addHelpers();
    void removeConnection(Connection &c);
    // The connection of `h` has ended with `rc`: it leaves the download.
    void retire(CURL *h, CURLcode rc);
    void finished(Connection &c, CURLcode rc);
    bool acceptProbe(Connection &c);
    bool acceptHelper(Connection &c);
    bool acceptFirstData(Connection &c, TFetchSize total);
    bool refuse(Connection &c, const std::string &why);
    void planRanges(TFetchSize total);
    Segment *nextSegment();
    Failure failureOf(Connection &c, CURLcode rc) const;
    TByteRanges proven() const;
    void saveRecord();
    void keepPart();
    void startOver(Connection &probe);
    void reportFinal();
    void end(End e)
    {
        if (!m_end)
            m_end = e;
    }

    TFetchRun &m_run;
    const TFetchItem &m_item;
    std::string m_url;
    // Decided before the part is chosen: the part goes with the name.
    TTargetChoice m_choice;
    std::string m_target;
    TPartFile m_part;
    const TNetworkSettings &m_settings;
    CURLM *m_multi = nullptr;
    // The process's rate limit, for this download's connections.
    TRateGate m_gate;
    std::string m_host = HostKey(m_url);

    // What earlier attempts proved: the part continues only with answers
    // that carry the same validator and total.
    TByteRanges m_proven;
    std::string m_validator;
    // The validator of this URL's file finished before, which the first
    // request sends to learn whether it changed; "" to fetch it anyway.
    std::string m_finished;
    TFetchSize m_total = -1; // -1 while unknown
    TFetchSize m_done = 0;
    bool m_sendRange = false;
    bool m_asked = false;
    bool m_started = false;
    bool m_ranged = false;   // written by ranges, so the record lists them
    bool m_complete = false; // the part held the whole file already
    bool m_final = false;    // the failure has used up its retries already
    std::size_t m_maxActive = 1;
    int m_refusals = 0;
    Clock::time_point m_recorded{};
    std::deque<Segment> m_segments; // a deque keeps references on growth
    std::vector<std::unique_ptr<Connection>> m_connections;
    std::optional<End> m_end;
    Failure m_failure;
    TWrittenDigest m_digest;
};

std::size_t onWrite(char *data, std::size_t size, std::size_t count, void *user)
{
    auto *c = static_cast<Connection *>(user);
    return c->owner.Receive(*c, data, size * count);
}

void Download::addConnection(Segment &segment, bool probe, THostBudget::TLease lease)
{
    auto c = std::make_unique<Connection>(*this, segment, probe, m_run);
    c->lease = std::move(lease);
    c->easy = m_run.Session()->NewHandle();
    if (!c->easy) {
        end(End::Failed);
        m_failure = Failure{CURLE_FAILED_INIT};
        return;
    }
    CURL *h = c->easy.get();
    c->headers.reset(curl_slist_append(nullptr, "Cache-Control: no-cache"));
    curl_slist_append(c->headers.get(), "Pragma: no-cache");
    // What the site wanted from the browser. On a redirect to another host
    // curl leaves a Cookie given here out. Only these pass: a Range or an
    // Accept-Encoding from outside would replace the ones that make the
    // pieces fit.
    for (const TRequestHeader &header : m_item.RequestHeaders) {
        if (IsBrowserHeader(header.Name))
            curl_slist_append(c->headers.get(), (header.Name + ": " + header.Value).c_str());
    }
    if (!probe || m_sendRange) {
        c->askFirst = segment.pos;
        // A range to the file's end is asked open, as servers know it best.
        c->askEnd = segment.end == m_total ? -1 : segment.end;
        c->range = std::to_string(c->askFirst) + "-" + (c->askEnd < 0 ? "" : std::to_string(c->askEnd - 1));
        // Pieces are joined byte for byte: they must come as they are.
        curl_slist_append(c->headers.get(), "Accept-Encoding: identity");
        // A changed file answers 200 instead of a range that would not fit.
        if (!m_validator.empty())
            curl_slist_append(c->headers.get(), ("If-Range: " + m_validator).c_str());
    }
    if (probe && m_proven.Empty() && !m_finished.empty())
        curl_slist_append(c->headers.get(), ConditionalHeader(m_finished).c_str());
    curl_easy_setopt(h, CURLOPT_URL, m_url.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, c->headers.get());
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE,
                     ProcessRateLimiter().Rate() > 0 ? LimitedBufferSize : ReceiveBufferSize);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onWrite);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, c.get());
    curl_easy_setopt(h, CURLOPT_PRIVATE, c.get());
    if (!c->range.empty())
        curl_easy_setopt(h, CURLOPT_RANGE, c->range.c_str());
    c->head.Install(h);
    // Cancel and a stall also end a transfer that is waiting for data.
    c->watch.Install(h);
    segment.busy = true;
    curl_multi_add_handle(m_multi, h);
    m_connections.push_back(std::move(c));
}

// An answer that cannot be joined: this connection fails and says why.
bool Download::refuse(Connection &c, const std::string &why)
{
    c.fault = why;
    return false;
}

// Whether a 206 carries exactly the range asked, of the file this download
// knows, in a body of exactly that length.
bool rangeFits(Connection &c, TFetchSize knownTotal)
{
    const auto range = c.head.ContentRange();
    if (!range || range->First != c.askFirst || range->Last + 1 != (c.askEnd < 0 ? range->Total : c.askEnd) ||
        (knownTotal >= 0 && range->Total != knownTotal))
        return false;
    curl_off_t length = -1;
    curl_easy_getinfo(c.easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    return length < 0 || length == range->Last + 1 - range->First;
}

bool Download::acceptProbe(Connection &c)
{
    CURL *h = c.easy.get();
    const bool http = schemeIsHttp(h);
    const long status = http ? responseCode(h) : 0;
    if (c.range.empty() && status == 206)
        return refuse(c, "the server sent a range that was not asked for");
    if (m_complete && status == 416) {
        // The part was whole already (stopped just before its rename): it
        // is finished when its size is the one the server gives.
        if (c.head.UnsatisfiedTotal() == m_total && m_part.Size() == m_total)
            end(End::Done);
        else
            end(End::Restart);
        return false;
    }
    if (!c.range.empty() && status == 416) {
        end(End::Restart);
        return false;
    }
    // Only an answer to the question asked: a 304 otherwise is a failure.
    if (status == 304 && !m_finished.empty() && m_proven.Empty()) {
        end(End::Unchanged);
        return false;
    }
    if (status >= 300)
        return false;
    TFetchSize total = -1;
    if (status == 206) {
        if (!c.head.IdentityCoded() || !rangeFits(c, m_proven.Empty() ? -1 : m_total)) {
            end(End::Plain);
            return false;
        }
        if (!m_proven.Empty() && c.head.Validator() != m_validator) {
            // A server that ignores If-Range sends the new file's bytes.
            end(End::Restart);
            return false;
        }
        total = c.head.ContentRange()->Total;
    } else {
        // The whole file from its start: what the part held is not used.
        startOver(c);
        curl_off_t length = -1;
        curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        total = length;
    }
    if (m_proven.Empty())
        m_validator = http ? c.head.Validator() : std::string();
    return acceptFirstData(c, total);
}

// The probe's answer is the whole file: what the part held is not used,
// and the probe alone fetches it (no other connection runs yet).
void Download::startOver(Connection &probe)
{
    m_proven.Clear();
    m_ranged = false;
    m_complete = false;
    m_done = 0;
    m_segments.assign(1, Segment{});
    m_segments.front().busy = true;
    probe.segment = &m_segments.front();
}

bool Download::acceptFirstData(Connection &c, TFetchSize total)
{
    if (!m_asked) {
        m_asked = true;
        m_run.SetCurrentTarget(m_target, m_item.TargetDir);
        const std::string dir = DirectoryPart(m_target);
        // An empty directory part means no target directory was given.
        if (dir.empty() || IsRealDirectory(m_target)) {
            m_run.RaiseFileError(TFetchErrorCode::CannotCreateTarget, "Cannot create file " + m_target);
            end(End::Stopped);
            return false;
        }
        if (PathExists(m_target) && !m_run.AskOverwrite(m_target)) {
            end(End::Stopped);
            return false;
        }
        MakeDirectories(dir);
    }
    if (!m_part.Open()) {
        m_run.RaiseFileError(TFetchErrorCode::CannotCreateTarget,
                             m_part.Busy() ? m_target + " is already being downloaded by another transfer"
                                           : "Cannot create file " + m_target);
        end(End::Stopped);
        return false;
    }
    if (m_proven.Empty()) {
        // Emptied only now that the server has sent data for it.
        if (!m_part.Restart() || !m_part.WriteRecord({m_url, m_validator, total, true, {}})) {
            m_run.RaiseFileError(TFetchErrorCode::CannotCreateTarget, "Cannot create file " + m_target);
            end(End::Stopped);
            return false;
        }
        m_digest.Restart();
    }
    m_total = total;
    Segment &s = *c.segment;
    if (s.end < 0 && total >= 0)
        s.end = total;
    c.limit = s.end;
    if (!m_started) {
        m_started = true;
        m_run.BeginTransfer();
    }
    // Pieces are joined only when each can prove it is of this very file.
    if (c.head.ContentRange() && !m_validator.empty()) {
        if (m_proven.Empty() && m_settings.Connections > 1 && total >= ParallelMinimum)
            planRanges(total);
        else if (!m_proven.Empty())
            m_maxActive = static_cast<std::size_t>(std::max(1, m_settings.Connections));
        m_ranged = m_ranged || !m_proven.Empty() || m_segments.size() > 1;
    }
    if (m_ranged)
        saveRecord();
    c.accepted = true;
    return true;
}

bool Download::acceptHelper(Connection &c)
{
    const long status = responseCode(c.easy.get());
    if (status == 200 || status == 416) {
        // If-Range said the file changed, or it is shorter now.
        end(End::Restart);
        return false;
    }
    if (status != 206)
        return false;
    if (!c.head.IdentityCoded()) {
        end(End::Plain);
        return false;
    }
    if (c.head.Validator() != m_validator) {
        end(End::Restart);
        return false;
    }
    if (!rangeFits(c, m_total))
        return refuse(c, "the server's answer did not fit the range asked for");
    c.limit = c.askEnd < 0 ? m_total : c.askEnd;
    c.accepted = true;
    return true;
}

void Download::planRanges(TFetchSize total)
{
    Segment &first = m_segments.front();
    const TFetchSize rest = total - first.pos;
    const auto count =
        static_cast<int>(std::clamp<TFetchSize>(rest / RangeMinimum, 1, m_settings.Connections));
    const TFetchSize step = rest / count;
    first.end = first.pos + step;
    for (int i = 1; i < count; ++i) {
        Segment s;
        s.begin = s.pos = first.pos + i * step;
        s.end = i == count - 1 ? total : first.pos + (i + 1) * step;
        m_segments.push_back(s);
    }
    m_maxActive = static_cast<std::size_t>(count);
}

Segment *Download::nextSegment()
{
    const auto now = Clock::now();
    bool waiting = false;
    for (auto &s : m_segments) {
        if (s.busy || s.complete())
            continue;
        if (s.due <= now)
            return &s;
        waiting = true;
    }
    if (waiting)
        return nullptr;
    // Nothing left to start: the largest range still running is halved, so
    // every connection works until the end.
    Segment *largest = nullptr;
    for (auto &s : m_segments)
        if (s.busy && !s.complete() && (!largest || s.end - s.pos > largest->end - largest->pos))
            largest = &s;
    if (!largest || largest->end < 0 || largest->end - largest->pos < 2 * RangeMinimum)
        return nullptr;
    Segment half;
    half.end = largest->end;
    half.begin = half.pos = largest->pos + (largest->end - largest->pos) / 2;
    largest->end = half.pos;
    m_segments.push_back(half);
    return &m_segments.back();
}

std::size_t Download::Receive(Connection &c, const char *data, std::size_t size)
{
    if (m_end)
        return 0;
    if (!c.accepted && !(c.probe ? acceptProbe(c) : acceptHelper(c)))
        return 0;
    if (!c.watch.Admit(m_gate, size))
        return CURL_WRITEFUNC_PAUSE;
    Segment &s = *c.segment;
    std::size_t take = size;
    if (s.end >= 0 && static_cast<TFetchSize>(size) > s.end - s.pos) {
        // More than the answer announced: its bytes are not to be trusted.
        if (s.end == c.limit) {
            refuse(c, "the server sent more than it announced");
            return 0;
        }
        take = static_cast<std::size_t>(std::max<TFetchSize>(s.end - s.pos, 0));
    }
    if (take > 0 && !m_part.WriteAt(s.pos, data, take)) {
        m_run.SetReason(std::strerror(errno));
        m_run.RaiseFileError(TFetchErrorCode::ErrorWritingTarget,
                             "Error writing to destination file " + m_target);
        end(End::Stopped);
        return 0;
    }
    m_digest.Written(s.pos, data, take);
    s.pos += static_cast<TFetchSize>(take);
    // The progress step after every 4096 bytes, over all connections, as the
    // dialog and the events expect; Cancel is looked at between them.
    for (std::size_t stepped = 0; stepped < take;) {
        const std::size_t piece = std::min<std::size_t>(NetworkChunkSize, take - stepped);
        stepped += piece;
        m_done += static_cast<TFetchSize>(piece);
        m_run.ProgressStep(m_done, std::max<TFetchSize>(m_total, 0), m_run.Dialog().DlgDwnload);
        if (m_run.Cancelled()) {
            end(End::Cancelled);
            return 0;
        }
    }
    if (take < size) {
        c.reachedEnd = true;
        return 0;
    }
    return size;
}

Failure Download::failureOf(Connection &c, CURLcode rc) const
{
    Failure f;
    CURL *h = c.easy.get();
    f.code = c.watch.Stalled() ? CURLE_OPERATION_TIMEDOUT : rc;
    f.retryAfter = c.head.RetryAfter();
    if (schemeIsHttp(h)) {
        const long status = responseCode(h);
        f.responded = status > 0;
        f.status = status >= 300 ? status : 0;
    } else {
        f.responded = rc == CURLE_OK;
    }
    if (!c.fault.empty()) {
        f.code = CURLE_RANGE_ERROR;
        f.mayPass = true;
        f.reason = c.fault;
        // A range of the wrong length is a short or long body.
        if (c.accepted)
            f.code = CURLE_PARTIAL_FILE;
        return f;
    }
    // A status this download turned down has no more to say than itself.
    if (f.status == 0 || rc != CURLE_WRITE_ERROR)
        f.reason = c.watch.Reason(f.code);
    return f;
}

void Download::finished(Connection &c, CURLcode rc)
{
    c.segment->busy = false;
    if (m_end)
        return;
    if (m_run.Cancelled() || c.watch.Cancelled())
        return end(End::Cancelled);
    if (!c.accepted && rc == CURLE_OK && !(c.probe ? acceptProbe(c) : acceptHelper(c)) && m_end)
        return;
    // Taken only now: a first answer that starts over replaces the segments.
    Segment &s = *c.segment;
    s.busy = false;
    if (c.accepted && c.fault.empty() && !c.watch.Stalled() && (rc == CURLE_OK || c.reachedEnd)) {
        if (s.end < 0)
            s.end = s.pos; // an answer of open length ran to its end
        if (s.complete())
            return;
        rc = CURLE_PARTIAL_FILE; // a range answered short
    }
    Failure f = failureOf(c, rc);
    if (!m_ranged) {
        m_failure = f;
        return end(End::Failed);
    }
    const bool othersRunning =
        std::any_of(m_segments.begin(), m_segments.end(), [](auto &x) { return x.busy; });
    // A helper turned away as busy, once the server has taken this file's
    // connections, means it takes no more at once: go on with those it took.
    // Servers count a connection until they have closed it, so one that has
    // just delivered its last byte may still hold a place: a short pause
    // then, or as long as the server asks (within the cap), rather than a
    // retry of the whole download's budget.
    const bool turnedAway = !c.probe && (f.status == 503 || f.status == 429);
    const auto &retry = m_settings.Retry;
    if (!c.accepted && c.fault.empty() && (othersRunning || turnedAway) && ++m_refusals <= RefusalLimit) {
        m_maxActive = std::max<std::size_t>(1, m_connections.size() - 1);
        const auto asked = ParseRetryAfter(f.retryAfter);
        auto pause = othersRunning ? Clock::duration::zero() : Clock::duration(RefusalPause);
        if (asked)
            pause = std::min(*asked, retry.RetryAfterCap);
        s.due = Clock::now() + pause;
        return;
    }
    if (f.transient(UrlHost(m_url)) && s.failures < retry.Retries) {
        // This connection's range alone is fetched again; the others go on.
        const auto delay = RetryDelay(retry, s.failures, ParseRetryAfter(f.retryAfter));
        m_run.RaiseRetry(s.failures++, delay, f.errorCode(), f.errorText());
        s.due = Clock::now() + delay;
        return;
    }
    m_failure = f;
    m_final = true;
    end(End::Failed);
}

TByteRanges Download::proven() const
{
    TByteRanges all = m_proven;
    for (const auto &s : m_segments)
        all.Add(s.begin, s.pos);
    return all;
}

void Download::saveRecord()
{
    m_recorded = Clock::now();
    TPartRecord record{m_url, m_validator, m_total, false, proven()};
    m_part.WriteRecord(record);
}

// Extra connections go without when the host's places are taken by other
// downloads; a place freed is found on a later turn of the loop.
void Download::addHelpers()
{
    while (m_connections.size() < m_maxActive && !m_end) {
        THostBudget::TLease lease = ProcessHostBudget().TryAcquire(m_host);
        if (!lease)
            return;
        Segment *s = nextSegment();
        if (!s)
            return;
        addConnection(*s, false, std::move(lease));
    }
}

void Download::removeConnection(Connection &c)
{
    m_gate.Forget(c.easy.get());
    curl_multi_remove_handle(m_multi, c.easy.get());
}

void Download::retire(CURL *h, CURLcode rc)
{
    Connection *c = nullptr;
    curl_easy_getinfo(h, CURLINFO_PRIVATE, reinterpret_cast<char **>(&c));
    removeConnection(*c);
    finished(*c, rc);
    std::erase_if(m_connections, [c](const auto &p) { return p.get() == c; });
}

void Download::pump()
{
    while (!m_end) {
        addHelpers();
        int running = 0;
        curl_multi_perform(m_multi, &running);
        while (CURLMsg *msg = curl_multi_info_read(m_multi, &running)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            retire(msg->easy_handle, msg->data.result);
        }
        if (m_end)
            break;
        if (m_run.Cancelled())
            return end(End::Cancelled);
        if (m_connections.empty() &&
            std::all_of(m_segments.begin(), m_segments.end(), [](auto &s) { return s.complete(); }))
            return end(End::Done);
        // What a kill would leave is known to a second or so.
        if (m_ranged && Clock::now() - m_recorded >= RecordInterval)
            saveRecord();
        auto wait = PollSlice;
        for (const auto &s : m_segments)
            if (!s.busy && !s.complete())
                wait = std::clamp(std::chrono::duration_cast<std::chrono::milliseconds>(s.due - Clock::now()),
                                  std::chrono::milliseconds(0), wait);
        curl_multi_poll(m_multi, nullptr, 0, static_cast<int>(m_gate.PollLimit(wait).count()), nullptr);
        // A kept chunk refused on its way in (its range reached, or not to be
        // trusted) ends its connection as it would have in curl's own loop.
        for (CURL *h : m_gate.Release())
            retire(h, CURLE_WRITE_ERROR);
    }
}

Download::End Download::attempt(bool plain)
{
    m_connections.clear();
    m_final = false;
    m_maxActive = 1;
    m_end.reset();
    m_failure = {};
    m_done = m_proven.Count();
    m_complete = false;
    m_segments.clear();
    if (!m_proven.Empty() && m_total >= 0) {
        // Only what is missing is asked for; a part already whole asks for
        // its end, which a server confirms with 416.
        for (const auto &[a, b] : m_proven.Missing(m_total))
            m_segments.push_back(Segment{a, a, b});
        m_complete = m_segments.empty();
        if (m_complete)
            m_segments.push_back(Segment{m_total, m_total, -1});
    } else if (!m_proven.Empty()) {
        // Written in order, of a size not known: the rest from its end.
        m_segments.push_back(Segment{m_proven.End(), m_proven.End(), -1});
    } else {
        m_segments.push_back(Segment{});
    }
    m_sendRange = !plain && isHttpUrl(m_url) && (!m_proven.Empty() || m_settings.Connections > 1);
    // The first connection waits its turn on the host.
    THostBudget::TLease lease = ProcessHostBudget().Acquire(m_host, [this] { return m_run.Cancelled(); });
    if (!lease)
        return End::Cancelled;
    addConnection(m_segments.front(), true, std::move(lease));
    pump();
    for (auto &c : m_connections)
        removeConnection(*c);
    m_connections.clear();
    return *m_end;
}

// What the part keeps for a later attempt: its record brought up to date
// and nothing but what is proven; a part that keeps nothing goes.
void Download::keepPart()
{
    if (!m_part.IsOpen())
        return;
    TFetchSize kept = m_part.Size();
    if (m_ranged) {
        const TByteRanges good = proven();
        kept = good.Count();
        if (kept > 0 && m_part.WriteRecord({m_url, m_validator, m_total, false, good}))
            m_part.Trim(good);
        else
            kept = 0;
    }
    if (kept <= 0) {
        m_part.Discard();
        return;
    }
    m_run.SetKeptPart(m_part.Path(), kept, std::max<TFetchSize>(m_total, 0));
}

void Download::reportFinal()
{
    m_run.SetReason(m_failure.reason);
    if (!m_failure.responded) {
        // Nothing came back: no server, a bad URL, a name not resolved.
        m_run.RaiseURLNotFound(MaskUrlPassword(m_url));
        return;
    }
    // A broken connection, a short body, a stall or an error status: the
    // part file stays for a later attempt, but the item has failed.
    m_run.RaiseError(m_failure.errorCode(), m_failure.errorText());
}

bool Download::Run()
{
    m_run.SetItemHeader(UrlFileName(m_url), m_run.Dialog().DlgFromServerLabel, UrlHost(m_url));
    if (!m_run.Session() || !m_run.Session()->Multi()) {
        m_run.RaiseURLNotFound(MaskUrlPassword(m_url));
        return false;
    }
    m_multi = m_run.Session()->Multi();
    if (!m_run.TargetChosen(m_item, m_target))
        return false;
    if (m_settings.AskIfUnchanged && isHttpUrl(m_url))
        if (const auto record = UnchangedSince(m_target, m_url))
            m_finished = record->Validator;
    if (!m_run.TakePartPlace(m_part, m_target, m_item.TargetDir, "Cannot create file "))
        return false;
    // Without resume the item starts from zero; its own retries continue.
    if (m_part.IsOpen() && m_settings.Resume && isHttpUrl(m_url)) {
        TPartRecord record;
        m_proven = m_part.ProvenFor(m_url, record);
        m_validator = record.Validator;
        m_total = record.Total;
        // Ranges are placed in a file of known size only.
        if (m_total < 0 && !record.InOrder)
            m_proven.Clear();
        m_digest.Kept(m_proven);
    }
    const auto &policy = m_settings.Retry;
    int retry = 0, restarts = 0;
    bool plain = false;
    for (;;) {
        End e = attempt(plain);
        if (e == End::Unchanged) {
            m_run.SetUnchanged(m_target, m_item.TargetDir);
            return true;
        }
        if (e == End::Done && m_total >= 0 && m_part.Size() != m_total) {
            // Never a file of another size than the server's.
            m_failure = {CURLE_PARTIAL_FILE, 0, true, true, {}, {}};
            e = End::Failed;
        }
        if (e == End::Done) {
            if (!m_run.CompleteDownload(m_part, m_digest, m_url, m_validator))
                return false;
            // The final pass of the loop that reads nothing: one more
            // progress step with the final count.
            m_run.ProgressStep(m_done, std::max<TFetchSize>(m_total, 0), m_run.Dialog().DlgDwnload);
            return true;
        }
        if (e == End::Restart || e == End::Plain) {
            // From zero in the same part: changed files count against the
            // retries, answers that do not fit ranges against their own.
            if (e == End::Restart ? retry++ < policy.Retries : restarts++ < RestartLimit) {
                m_proven.Clear();
                m_validator.clear();
                m_total = -1;
                plain = e == End::Plain;
                continue;
            }
            m_failure = {CURLE_RANGE_ERROR, 0, true, false, {}, "the file kept changing on the server"};
        }
        keepPart();
        if (e == End::Cancelled || e == End::Stopped)
            return false;
        if (e == End::Failed && !m_final && retry < policy.Retries && m_failure.transient(UrlHost(m_url))) {
            const auto delay = RetryDelay(policy, retry, ParseRetryAfter(m_failure.retryAfter));
            m_run.RaiseRetry(retry++, delay, m_failure.errorCode(), m_failure.errorText());
            if (!m_run.WaitUnlessCancelled(delay))
                return false;
            // Each retry continues from what the part holds, when the server
            // has proven the version.
            m_proven = m_part.IsOpen() && !m_validator.empty() && m_total >= 0 ? proven() : TByteRanges();
            if (m_proven.Empty())
                m_validator.clear();
            continue;
        }
        reportFinal();
        return false;
    }
}

} // namespace

bool HttpDownload(TFetchRun &run, const TFetchItem &item)
{
    Download download(run, item);
    return download.Run();
}

} // namespace fetchly
