#pragma once
// stepdown-cli run in process: its exit status and what it wrote on each stream.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "support/TextChecks.h"

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

// A file's bytes; empty when it cannot be read.
inline std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline Args Plus(Args base, const Args& more) {
    base.insert(base.end(), more.begin(), more.end());
    return base;
}

// The worked example's verification saved as `name` in the temporary folder, with `args`.
inline std::string SavedVerify(const std::string& name, Args args) {
    const std::string path = ::testing::TempDir() + name;
    args.front() = "verify";
    EXPECT_EQ(Cli(Plus(args, {"--save", path})).status, 0);
    return path;
}

}  // namespace stepdown::cli
