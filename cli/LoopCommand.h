#pragma once
// stepdown-cli loop: the regulated converter's averaged loop, its
// compensator designed or given, as text, JSON or a Bode CSV.

#include <ostream>
#include <string>
#include <vector>

namespace stepdown::cli {

// Runs the words after "loop"; returns the exit status.
int RunLoop(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

// The usage lines of the command.
extern const char* const kLoopUsage;

}  // namespace stepdown::cli
