#pragma once
// The command line of stepdown-cli: a command word followed by options, each
// option either a flag or followed by one value ("--vi 25" or "--vi=25").

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace stepdown::cli {

struct OptionSpec {
    std::string_view name;  // without the leading "--"
    bool takesValue = true;
};

struct ParsedArguments {
    std::map<std::string, std::string, std::less<>> values;
    std::set<std::string, std::less<>> flags;

    bool Has(std::string_view name) const {
        return values.find(name) != values.end() || flags.find(name) != flags.end();
    }
    // The option's text, or `fallback` when it was left out.
    std::string ValueOr(std::string_view name, std::string fallback = {}) const {
        const auto found = values.find(name);
        return found == values.end() ? fallback : found->second;
    }
};

struct ParseOutcome {
    std::optional<ParsedArguments> arguments;
    std::string error;    // set when arguments is empty
    std::string unknown;  // the option not among those given, when that is the error
};

// Parses `arguments` (the words after the command) against `options`.
// A value is taken verbatim from the next word even when it starts with "-",
// so "--vo -5" gives the text "-5" and "--vo=" the empty text; only a next
// word that names one of `options` ("--vi --vo 15") counts as a missing
// value. Unknown options, repeated options, stray words, a value given to a
// flag and a missing value are errors, reported in Italian.
ParseOutcome ParseOptions(const std::vector<std::string>& arguments,
                          const std::vector<OptionSpec>& options);

}  // namespace stepdown::cli
