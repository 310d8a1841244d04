#include "tests/support/program_run.h"

#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <sys/wait.h>

namespace fetchly::test {

namespace {
std::string quote(const std::string &s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}
} // namespace

ProgramResult runProgram(const std::string &program, const std::vector<std::string> &args,
                         const std::filesystem::path &cwd, int timeoutSeconds)
{
    TempDir scratch;
    std::string cmd =
        "cd " + quote(cwd.string()) + " && timeout " + std::to_string(timeoutSeconds) + " " + quote(program);
    for (const auto &a : args)
        cmd += " " + quote(a);
    cmd += " </dev/null >" + quote((scratch.path() / "out").string()) + " 2>" +
           quote((scratch.path() / "err").string());
    const int raw = std::system(cmd.c_str());
    ProgramResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = readFile(scratch.path() / "err");
    r.out = readFile(scratch.path() / "out");
    return r;
}

} // namespace fetchly::test
