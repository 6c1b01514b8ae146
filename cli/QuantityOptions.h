#pragma once
// The command's options that carry the table's quantities: one option per
// row, named by its key, and the help line that describes it, both made
// from the table so that a new row is a new option without more code.

#include <string>
#include <vector>

#include "cli/ArgumentParser.h"
#include "model/Quantities.h"

namespace stepdown::cli {

// `options` followed by one valued option per row of `group`.
std::vector<OptionSpec> WithQuantityOptions(std::vector<OptionSpec> options, QuantityGroup group);

// "  --key T     caption [unit] (se omesso: start)\n" per row of `group`, the
// caption's first letter in lower case, the key's column 12 wide (a longer
// one on a line of its own).
std::string QuantityHelp(QuantityGroup group);

}  // namespace stepdown::cli
