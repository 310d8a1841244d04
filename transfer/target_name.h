#pragma once

#include <optional>
#include <string>

namespace fetchly {

// "NAME (n).EXT" for the file name `name`: the number goes before the
// extension (before ".tar.gz" and the like as a whole); a name without one,
// or one that begins with its only dot, gets it at its end. The stem is
// shortened when the result would not fit a file name.
std::string NumberedName(const std::string &name, int number);

// The highest number tried before a download gives up on a name.
inline constexpr int NumberedNameLimit = 99;

struct TTargetChoice;
TTargetChoice ChooseTarget(const std::string &target, const std::string &source, bool keepName);

// A target a download of this process is writing: no other download of
// another source takes the same path while the claim is held.
class TTargetClaim {
public:
    TTargetClaim() = default;
    ~TTargetClaim();
    TTargetClaim(TTargetClaim &&other) noexcept;
    TTargetClaim &operator=(TTargetClaim &&other) noexcept;
    TTargetClaim(const TTargetClaim &) = delete;
    TTargetClaim &operator=(const TTargetClaim &) = delete;

private:
    friend TTargetChoice ChooseTarget(const std::string &, const std::string &, bool);
    explicit TTargetClaim(std::string path) : m_path(std::move(path)) {}
    void release();
    std::optional<std::string> m_path;
};

// The file a download of `source` writes instead of `target`, so that two
// files never share a name: `target` itself when it is free or is this
// source's own (its finished file or its kept part), else the first of
// "NAME (1).EXT", "NAME (2).EXT"... that is. A name is taken by a file
// that another source's download left or that no download of ours wrote,
// by another source's part, and by another download of this process. With
// `keepName` (the user is asked before a file is replaced) the target
// stays. The path is "" when no name up to the limit was free.
struct TTargetChoice {
    std::string Path;
    TTargetClaim Claim;
};
TTargetChoice ChooseTarget(const std::string &target, const std::string &source, bool keepName);

} // namespace fetchly
