#pragma once
// The usage error of an option given to a command that does not take it:
// when another command does, the message names it instead of calling the
// option unknown.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ArgumentParser.h"

namespace stepdown::cli {

struct CommandOptions {
    std::string_view command;
    const std::vector<OptionSpec>* options;
};

// `parsed.error`, or for an option unknown to `command` that some of
// `commands` take: "l'opzione --X non vale con C: è di A e B".
std::string OptionError(const ParseOutcome& parsed, std::string_view command,
                        std::span<const CommandOptions> commands);

}  // namespace stepdown::cli
