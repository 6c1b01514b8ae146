// stepdown-cli: the design and the verification without the windows.

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"

int main(int argc, char* argv[]) {
    // A save beyond the file-size limit then fails with EFBIG, told and
    // cleaned up, instead of killing the command.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> args(argv + 1, argv + argc);
    // Progress lines only make sense where someone watches them.
    const bool terminal = isatty(STDERR_FILENO) == 1;
    const int status = stepdown::cli::RunCommandLine(args, std::cout, std::cerr, terminal);
    const bool written = static_cast<bool>(std::cout);
    errno = 0;
    std::cout.flush();
    // A full disk or a closed pipe must not pass for success, nor in silence;
    // the reason is known when the last write is the one that failed.
    if (!std::cout) {
        const int reason = written ? errno : 0;
        std::cerr << "Impossibile scrivere lo standard output";
        if (reason != 0) std::cerr << ": " << std::strerror(reason);
        std::cerr << '\n';
        return stepdown::cli::kExitRefused;
    }
    return status;
}
