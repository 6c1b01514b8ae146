#pragma once
// The command's options that carry the table's quantities: one option per
// row, named by its key, and the help line that describes it, both made
// from the table so that a new row is a new option without more code.

#include <initializer_list>
#include <string>
#include <string_view>
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
// The same for the rows of `group` named by `keys`, in their order.
std::string QuantityHelp(QuantityGroup group, std::initializer_list<std::string_view> keys);

}  // namespace stepdown::cli
