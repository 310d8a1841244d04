#include "tests/support/program_run.h"

#include "tests/support/peer_process.h"
#include "tests/support/temp_dir.h"

namespace fetchly::test {

ProgramResult runProgram(const std::string &program, const std::vector<std::string> &args,
                         const ProgramRun &run)
{
    TempDir scratch;
    const ChildIo io{run.cwd, scratch.path() / "in", scratch.path() / "out", scratch.path() / "err"};
    writeFile(io.input, run.input);
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    ProgramResult r;
    PeerProcess child;
    child.start(argv, io);
    r.status = child.waitForExit(std::chrono::seconds(run.timeoutSeconds), run.whileWaiting);
    const bool hung = child.running();
    child.stop();
    r.err = readFile(io.err);
    r.out = readFile(io.out);
    if (hung) {
        r.status = -1;
        r.err += "timed out";
    }
    return r;
}

ProgramResult runProgram(const std::string &program, const std::vector<std::string> &args,
                         const std::filesystem::path &cwd, int timeoutSeconds)
{
    return runProgram(program, args, ProgramRun{cwd, {}, timeoutSeconds, {}});
}

} // namespace fetchly::test
