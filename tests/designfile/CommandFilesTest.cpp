// The design file's faults through the real commands, each run in a child
// process as a shell starts it (SIGXFSZ at its default, which kills): a FIFO
// neither waited on nor replaced, the file-size limit told with exit 2 and
// nothing left behind, a report that would replace its design.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace stepdown {
namespace {

namespace fs = std::filesystem;

struct Ended {
    int status;       // the exit status, or 128 + the signal that ended it
    std::string err;  // standard error
};

// `words` run with the file-size limit `largestFile`, standard output on `output`; a run
// that waits longer than 20 s is ended by SIGALRM, so a hang fails instead of blocking.
Ended RunChild(const std::vector<std::string>& words, rlim_t largestFile = RLIM_INFINITY,
               const char* output = "/dev/null") {
    int errors[2];
    if (::pipe(errors) != 0) return {-1, "pipe"};
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_DFL);
        const rlimit limit{largestFile, largestFile};
        if (largestFile != RLIM_INFINITY) ::setrlimit(RLIMIT_FSIZE, &limit);
        ::setenv("LC_ALL", "C.UTF-8", 1);  // the system's reasons in English
        ::alarm(20);
        ::dup2(errors[1], STDERR_FILENO);
        ::dup2(::open(output, O_WRONLY), STDOUT_FILENO);
        ::close(errors[0]);
        std::vector<char*> argv;
        for (const std::string& word : words) argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(errors[1]);
    std::string err;
    char buffer[4096];
    for (ssize_t got; (got = ::read(errors[0], buffer, sizeof buffer)) > 0;)
        err.append(buffer, static_cast<std::size_t>(got));
    ::close(errors[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), err};
}

TEST(CommandFiles, RefuseWithExit2WhatTheyMustNotReadOrReplaceAndLeaveNothing) {
    const fs::path folder =
        fs::temp_directory_path() / ("stepdown-commands-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string design = folder / "d.stepdown", fifo = folder / "fifo",
                      pdf = folder / "r.pdf", link = folder / "link", hard = folder / "hard",
                      saved = folder / "s", cli = STEPDOWN_CLI, gui = STEPDOWN_GUI;
    const std::string text =
        R"({"format": "stepdown-design", "version": 1, "design": {"vi": "25",)"
        R"( "vo": "15", "f": "80", "ripple": "40", "dvo": "60", "io": "1.5"}})";
    std::ofstream(design) << text;
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("d.stepdown", link);
    fs::create_hard_link(design, hard);
    const auto save = [&](const std::string& path) {
        return std::vector<std::string>{cli,    "design", "--vi",     "25", "--vo",  "15",
                                        "--f",  "80",     "--ripple", "40", "--dvo", "60",
                                        "--io", "1.5",    "--save",   path};
    };
    const auto report = [&](const std::string& output) {
        return std::vector<std::string>{gui, "--report", design, "--output", output};
    };
    const std::string isFifo = ": non è un file regolare: è una FIFO (pipe con nome).\n";
    const std::string isDesign = ": è il file di progetto stesso: la relazione lo sostituirebbe.\n";
    const struct {
        std::vector<std::string> words;
        std::string verb, path, reason;  // of "Impossibile <verb> il file <path><reason>"
        rlim_t largestFile = RLIM_INFINITY;
    } rows[] = {
        {{cli, "open", fifo}, "aprire", fifo, isFifo},
        {{gui, "--report", fifo, "--output", pdf}, "aprire", fifo, isFifo},
        {save(fifo), "scrivere", fifo, isFifo},
        {report(fifo), "salvare", fifo, isFifo},
        {report("/dev/null"), "salvare", "/dev/null",
         ": non è un file regolare: è un dispositivo.\n"},
        {save(saved), "scrivere", saved, ": File too large\n", 100},
        {report(pdf), "salvare", pdf, ": File too large\n", 4096},
        {report(design), "salvare", design, isDesign},
        {report(link), "salvare", link, isDesign},
        {report(hard), "salvare", hard, isDesign},
    };
    for (const auto& row : rows) {
        const Ended ended = RunChild(row.words, row.largestFile);
        EXPECT_EQ(ended.status, 2) << row.path;
        EXPECT_EQ(ended.err, "Impossibile " + row.verb + " il file " + row.path + row.reason);
    }
    const Ended full = RunChild({cli, "--version"}, RLIM_INFINITY, "/dev/full");  // told, not kept
    EXPECT_EQ(std::tie(full.status, full.err),
              std::tuple(1, "Impossibile scrivere lo standard output: No space left on device\n"));
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(folder))
        left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"d.stepdown", "fifo", "hard", "link"}));
    EXPECT_TRUE(fs::is_fifo(fifo) && fs::is_symlink(link) && fs::is_character_file("/dev/null"));
    std::ifstream after(design);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(after), {}), text);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace stepdown
