// The manual page and the shell completions, checked against the program's
// own usage texts: every subcommand and every option the program prints must
// be offered by the bash, zsh and fish completions and described by the
// manual page. And `cmake --install` puts all of them, the desktop entry, the
// metadata and the icons where desktops look for them.
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <sstream>

namespace fetchly::test {
namespace {

using Words = std::vector<std::string>;

std::filesystem::path packaging()
{
    return sourceDir() / "packaging";
}

ProgramResult run(const std::string &program, const Words &args)
{
    return runProgram(program, args, binaryDir(), 30);
}

std::string joined(const Words &words, const std::string &gap = " ")
{
    std::string text;
    for (const std::string &w : words)
        text += (text.empty() ? "" : gap) + w;
    return text;
}

std::set<std::string> lines(const std::string &text)
{
    std::set<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.insert(line.substr(0, line.find('\t')));
    return out;
}

// The options a usage text names: words that start with "-" after a blank,
// "[", "(", "|" or ",".
std::set<std::string> optionsIn(const std::string &usage)
{
    static const std::regex option(R"((?:^|[\s\[(|,])(--?[a-z][a-z-]*))");
    std::set<std::string> found;
    for (std::sregex_iterator it(usage.begin(), usage.end(), option), end; it != end; ++it)
        found.insert((*it)[1].str());
    return found;
}

// The command line forms the program's help names, up to their options:
// {"get"}, {"get", "--ftp", "h"}, {"inspect"}...
std::vector<Words> helpForms()
{
    const std::string help = run(programPath("fetchly"), {"--help"}).out;
    static const std::regex form(R"(fetchly ([a-z]+)( --ftp)?)");
    std::vector<Words> forms;
    for (std::sregex_iterator it(help.begin(), help.end(), form), end; it != end; ++it) {
        Words words = {(*it)[1].str()};
        if ((*it)[2].matched)
            words.insert(words.end(), {"--ftp", "h"});
        if (std::find(forms.begin(), forms.end(), words) == forms.end())
            forms.push_back(words);
    }
    return forms;
}

std::set<std::string> usageOptions(Words words)
{
    words.push_back("--help");
    const ProgramResult r = run(programPath("fetchly"), words);
    EXPECT_NE((r.out + r.err).find("usage: fetchly " + words.front()), std::string::npos) << r.out << r.err;
    return optionsIn(r.out + r.err);
}

// The options bash and fish offer after `fetchly WORDS -`.
std::set<std::string> bashOptions(const Words &words)
{
    const std::string script = "source " + (packaging() / "completions/fetchly.bash").string() +
                               "\nCOMP_WORDS=(fetchly " + joined(words) +
                               " -); COMP_CWORD=" + std::to_string(words.size() + 1) +
                               "; _fetchly; printf '%s\\n' \"${COMPREPLY[@]}\"";
    return lines(run("bash", {"-c", script}).out);
}

std::set<std::string> fishOptions(const Words &words)
{
    const std::string script = "source " + (packaging() / "completions/fetchly.fish").string() +
                               "\ncomplete -C 'fetchly " + joined(words) + " -'";
    return lines(run("fish", {"--no-config", "-c", script}).out);
}

// The zsh completion's branch of one subcommand, with the common options
// when it takes them (zsh's completion system cannot run outside an
// interactive shell; its syntax is checked below).
std::string zshBranch(const std::string &subcommand)
{
    const std::string text = readFile(packaging() / "completions/_fetchly");
    const std::size_t from = text.find("\n  " + subcommand + ")\n");
    if (from == std::string::npos)
        return {};
    std::string branch = text.substr(from, text.find(";;", from) - from);
    const std::size_t common = text.find("common=(");
    if (branch.find("$common") != std::string::npos && common != std::string::npos)
        branch += text.substr(common, text.find("\n)\n", common) - common);
    return branch;
}

std::set<std::string> missing(const std::set<std::string> &wanted, const std::set<std::string> &offered)
{
    std::set<std::string> out;
    for (const std::string &w : wanted)
        if (!offered.count(w))
            out.insert(w);
    return out;
}

std::string listed(const std::set<std::string> &items)
{
    return joined(Words(items.begin(), items.end()));
}

TEST(CommandDocs, EverySubcommandAndOptionOfTheHelpIsCompletedAndDescribed)
{
    const std::vector<Words> forms = helpForms();
    std::set<std::string> subcommands;
    for (const Words &form : forms)
        subcommands.insert(form.front());
    ASSERT_FALSE(subcommands.empty());
    const std::string bash =
        "source " + (packaging() / "completions/fetchly.bash").string() +
        "\nCOMP_WORDS=(fetchly ''); COMP_CWORD=1; _fetchly; printf '%s\\n' \"${COMPREPLY[@]}\"";
    EXPECT_EQ(lines(run("bash", {"-c", bash}).out), subcommands);
    const std::string fish = "source " + (packaging() / "completions/fetchly.fish").string() +
                             "\ncomplete -C 'fetchly ' | string match -r '^[a-z]+'";
    EXPECT_EQ(lines(run("fish", {"--no-config", "-c", fish}).out), subcommands);

    const std::string manual = readFile(packaging() / "man/fetchly.1.scd");
    for (const Words &form : forms) {
        SCOPED_TRACE(joined(form));
        EXPECT_NE(manual.find("*fetchly " + form.front()), std::string::npos) << "synopsis";
        const std::set<std::string> options = usageOptions(form);
        EXPECT_EQ(listed(missing(options, bashOptions(form))), "") << "bash";
        EXPECT_EQ(listed(missing(options, fishOptions(form))), "") << "fish";
        const std::string zsh = zshBranch(form.front());
        EXPECT_NE(zsh, "") << "zsh";
        for (const std::string &option : options) {
            EXPECT_NE(zsh.find(option), std::string::npos) << "zsh " << option;
            EXPECT_NE(manual.find("*" + option + "*"), std::string::npos) << "manual " << option;
        }
    }
    const ProgramResult zsh = run("zsh", {"-n", (packaging() / "completions/_fetchly").string()});
    EXPECT_EQ(zsh.status, 0) << zsh.err;
}

TEST(Install, PutsProgramsManualCompletionsAndDesktopFilesInPlace)
{
    TempDir prefix;
    const ProgramResult r = run("cmake", {"--install", binaryDir().string(), "--prefix", prefix.str()});
    ASSERT_EQ(r.status, 0) << r.err;
    const Words expected = {
        "bin/fetchly",
        "bin/fetchly-gui",
        "share/man/man1/fetchly.1.gz",
        "share/bash-completion/completions/fetchly",
        "share/zsh/site-functions/_fetchly",
        "share/fish/vendor_completions.d/fetchly.fish",
        "share/applications/com.brindlewick.Fetchly.desktop",
        "share/metainfo/com.brindlewick.Fetchly.metainfo.xml",
        "share/icons/hicolor/scalable/apps/fetchly.svg",
        "share/icons/hicolor/16x16/apps/fetchly.png",
        "share/icons/hicolor/256x256/apps/fetchly.png",
        "share/fetchly/browser/chromium/fetchly.png",
    };
    for (const std::string &file : expected)
        EXPECT_TRUE(std::filesystem::is_regular_file(prefix.path() / file)) << file;
    const std::string desktop =
        readFile(prefix.path() / "share/applications/com.brindlewick.Fetchly.desktop");
    EXPECT_NE(desktop.find("\nExec=fetchly %U\n"), std::string::npos) << desktop;
    // The bus starts the program of this prefix, whatever the build was
    // configured for; the system-wide browser folders are a /usr install's.
    const std::string service =
        readFile(prefix.path() / "share/dbus-1/services/OrvFetchly.TUrlAdder.service");
    EXPECT_NE(service.find("\nExec=" + prefix.str() + "/bin/fetchly -AUTOMATION\n"), std::string::npos)
        << service;
    std::istringstream installed(readFile(binaryDir() / "install_manifest.txt"));
    for (std::string file; std::getline(installed, file);)
        EXPECT_EQ(file.rfind(prefix.str() + "/", 0), 0u) << file;
}

} // namespace
} // namespace fetchly::test
