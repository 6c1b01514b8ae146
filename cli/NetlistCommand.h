#pragma once
// stepdown-cli netlist: the SPICE netlist of the converter as built, on
// verify's circuit and part options, started at its periodic steady state;
// and open FILE --netlist on a design file's verification and part texts.

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ArgumentParser.h"
#include "designfile/DesignFile.h"

namespace stepdown::cli {

// What --help adds about the command.
std::string_view NetlistHelp();

// The words after "netlist". The netlist goes to --output FILE, replaced
// whole, or to standard output. A refused value is a usage error naming its
// option (exit 2); a circuit without a steady state, a --vo-target no duty
// cycle gives, or a file not written exit 1.
int RunNetlist(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);
// The same on texts already read, each under its option.
int NetlistOn(const ParsedArguments& arguments, std::ostream& out, std::ostream& err);

// open's `options` followed by --netlist and what only it takes.
std::vector<OptionSpec> WithNetlistOptions(std::vector<OptionSpec> options);

// open's --netlist with another kind of output, or --periods and --output
// without it: the usage error.
std::optional<std::string> OpenNetlistConflict(const ParsedArguments& arguments);

// The file's verification and part texts, with open's --periods and
// --output, each under the netlist's option of its key.
ParsedArguments NetlistTexts(const DesignFile& file, const ParsedArguments& arguments);

}  // namespace stepdown::cli
