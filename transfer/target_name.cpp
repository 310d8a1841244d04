#include "transfer/target_name.h"

#include "transfer/finished_record.h"
#include "transfer/local_file.h"
#include "transfer/part_file.h"

#include <map>
#include <mutex>

namespace fetchly {

namespace {

// The longest file name most file systems take.
constexpr std::size_t kNameLimit = 255;

// Extensions of two parts that belong together.
bool doubleExtension(const std::string &name, std::size_t dot)
{
    static constexpr const char *kInner[] = {".tar"};
    for (const char *inner : kInner) {
        const std::string part(inner);
        if (dot > part.size() && name.compare(dot - part.size(), part.size(), part) == 0)
            return true;
    }
    return false;
}

std::mutex &claimsMutex()
{
    static std::mutex mutex;
    return mutex;
}

// The targets downloads of this process are writing, with their sources.
std::multimap<std::string, std::string> &claims()
{
    static std::multimap<std::string, std::string> map;
    return map;
}

bool claimedByOther(const std::string &path, const std::string &source)
{
    const auto [from, to] = claims().equal_range(path);
    for (auto it = from; it != to; ++it)
        if (it->second != source)
            return true;
    return false;
}

enum class Place { Free, Own, Taken };

Place placeFor(const std::string &path, const std::string &source)
{
    if (claimedByOther(path, source))
        return Place::Taken;
    // A folder of that name is the download's own failure to report.
    if (PathExists(path))
        return FinishedFrom(path) == source ? Place::Own : Place::Taken;
    Place place = Place::Free;
    for (const std::string &kept : PartSources(path)) {
        if (kept == source)
            return Place::Own;
        if (!kept.empty())
            place = Place::Taken;
    }
    return place;
}

} // namespace

std::string NumberedName(const std::string &name, int number)
{
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size())
        dot = name.size();
    else if (const std::size_t inner = name.find_last_of('.', dot - 1);
             inner != std::string::npos && inner > 0 && doubleExtension(name, dot))
        dot = inner;
    std::string stem = name.substr(0, dot);
    const std::string tail = " (" + std::to_string(number) + ")" + name.substr(dot);
    if (stem.size() + tail.size() > kNameLimit) {
        std::size_t keep = tail.size() < kNameLimit ? kNameLimit - tail.size() : 0;
        // Cut at the start of a character, not inside one.
        while (keep > 0 && keep < stem.size() && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80)
            --keep;
        stem.resize(std::min(keep, stem.size()));
    }
    return stem + tail;
}

TTargetClaim::~TTargetClaim()
{
    release();
}

TTargetClaim::TTargetClaim(TTargetClaim &&other) noexcept : m_path(std::move(other.m_path))
{
    other.m_path.reset();
}

TTargetClaim &TTargetClaim::operator=(TTargetClaim &&other) noexcept
{
    if (this != &other) {
        release();
        m_path = std::move(other.m_path);
        other.m_path.reset();
    }
    return *this;
}

void TTargetClaim::release()
{
    if (!m_path)
        return;
    std::lock_guard lock(claimsMutex());
    if (const auto it = claims().find(*m_path); it != claims().end())
        claims().erase(it);
    m_path.reset();
}

TTargetChoice ChooseTarget(const std::string &target, const std::string &source, bool keepName)
{
    // Looked at and claimed in one step, so two downloads that start
    // together cannot both find the same name free.
    std::lock_guard lock(claimsMutex());
    const std::size_t slash = target.find_last_of('/');
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string name = target.substr(dir.size());
    std::string chosen;
    for (int number = 0; number <= NumberedNameLimit && chosen.empty(); ++number) {
        const std::string path = number == 0 ? target : dir + NumberedName(name, number);
        if (keepName || name.empty() || placeFor(path, source) != Place::Taken)
            chosen = path;
    }
    TTargetChoice choice;
    if (!chosen.empty()) {
        claims().emplace(chosen, source);
        choice.Path = chosen;
        choice.Claim = TTargetClaim(chosen);
    }
    return choice;
}

} // namespace fetchly
