#pragma once
// stepdown-cli: the design calculation and the verification of the windows,
// driven from the command line. Every value becomes the text of the matching
// box of the main window and goes through the very DesignFromTexts and
// VerifyFromTexts the buttons run, so checks, messages and their order are
// the window's.

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ArgumentParser.h"
#include "designfile/DesignFile.h"
#include "model/InputTexts.h"

namespace stepdown::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitRefused = 1;     // a message of the program, or a CSV file not written
inline constexpr int kExitUsage = 2;       // the command line itself is wrong
inline constexpr int kExitDesignFile = 2;  // a design file not read or not saved

// "stepdown-cli " followed by the project's version.
std::string VersionText();

// Runs the words after the program's name. Results go to `out`; messages
// of the program and usage errors go to `err`, and so does the progress of
// a long simulation when `showProgress` is set (a terminal is watching).
// Returns the exit status.
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   bool showProgress = false);

// What --save writes: the texts of the main window's boxes and, for the keys of
// the other windows' sections, the texts of the options of the same names
// (empty for options not given).
DesignFile SavedDesignFile(const InputTexts& texts, const ParsedArguments& arguments);

}  // namespace stepdown::cli
