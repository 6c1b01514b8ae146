#pragma once
// stepdown-cli loop: the regulated converter's averaged loop, its
// compensator designed or given, as text, JSON or a Bode CSV.

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ArgumentParser.h"
#include "cli/LoopOptions.h"
#include "designfile/DesignFile.h"

namespace stepdown::cli {

// Tells a refusal; returns the exit status.
using RefuseLoop = std::function<int(const LoopRefusal&)>;

// The loop on `texts`, each by its quantity (one left out at its start
// text), with the flags and the files of `arguments`.
int RunLoopOn(const ParsedArguments& arguments, const InputTexts& texts, const RefuseLoop& refuse,
              std::ostream& out, std::ostream& err);

// Runs the words after "loop"; returns the exit status.
int RunLoop(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

// "open FILE --loop": the loop on the file's texts, the circuit from the
// verification's, Vo from the design's; a refused text names the file, its
// section and its key. `arguments` are open's, checked here.
int RunOpenLoop(const std::string& path, const DesignFile& file, const ParsedArguments& arguments,
                std::ostream& out, std::ostream& err);

// The usage lines of the command.
std::string LoopUsage();

}  // namespace stepdown::cli
