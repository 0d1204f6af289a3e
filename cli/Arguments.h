// The command line as parlet reads it. Natively the arguments are taken as
// they come (UTF-8). On Windows the C runtime's arguments are in the ANSI
// code page, which turns "ő" into "o" and "中" into "?": the values of the
// text options are read from the wide command line instead, as UTF-8, and
// everything else (paths) stays in the ANSI code page the file functions
// take.
#pragma once

#include <string>
#include <vector>

namespace cli {

// Options whose values are message text, numbers or credentials.
bool IsTextOption(const std::string& name);

std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace cli
