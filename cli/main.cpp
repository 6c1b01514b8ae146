// stepdown-cli: the design and the verification without the windows.

#include <unistd.h>

#include <csignal>
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
    std::cout.flush();
    // A full disk or a closed pipe must not pass for success.
    if (!std::cout) return stepdown::cli::kExitRefused;
    return status;
}
