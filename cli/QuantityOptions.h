#pragma once
// The command's options that carry the table's quantities: one option per
// row, named by its key, and the help line that describes it, both made
// from the table so that a new row is a new option without more code.

#include <array>
#include <span>
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
std::string QuantityHelp(QuantityGroup group, std::span<const std::string_view> keys);

// "--key T" for every row of `group`, or for the rows named by `keys`,
// joined by blanks: the usage's synopsis of a group.
std::string OptionOf(const Quantity& quantity);
std::string OptionsOf(QuantityGroup group);
std::string OptionsOf(QuantityGroup group, std::span<const std::string_view> keys);

// `text` broken at its blanks into lines of at most 80 columns, every line
// after the first indented by `indent` blanks, each line ended. An option
// keeps its argument (a word in capitals after it) on its line.
std::string Wrapped(std::string_view text, std::size_t indent);

// "  stepdown-cli COMMAND OPTIONS" wrapped, its later lines under OPTIONS.
std::string CommandSynopsis(std::string_view command, std::string_view options);

// The rows of the choice group that --corners and the sweep's loads read.
inline constexpr std::array<std::string_view, 6> kCornerKeys{key::tolL,  key::tolC,  key::viMin,
                                                             key::viMax, key::ioMin, key::ioMax};
inline constexpr std::array<std::string_view, 3> kSweepLoadKeys{key::ioFrom, key::ioTo,
                                                                key::points};

}  // namespace stepdown::cli
