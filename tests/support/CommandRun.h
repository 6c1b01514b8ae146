#pragma once
// stepdown-cli run in process: its exit status and what it wrote on each stream.

#include <sstream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"

namespace stepdown::cli {

using Args = std::vector<std::string>;

struct Result {
    int status = -1;
    std::string out, err;
    friend bool operator==(const Result&, const Result&) = default;
};

inline Result Cli(const Args& args) {
    std::ostringstream out, err;
    const int status = RunCommandLine(args, out, err);
    return {status, out.str(), err.str()};
}

inline Args Plus(Args base, const Args& more) {
    base.insert(base.end(), more.begin(), more.end());
    return base;
}

}  // namespace stepdown::cli
