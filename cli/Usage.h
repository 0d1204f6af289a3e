// What parlet says about its own use: the version, the exit codes, and a
// suggestion for a misspelt command.
#pragma once

#include <string>
#include <vector>

namespace usage {

// "parlet 0.0.0.13": the plug-in's own version.
std::string VersionText();

// The exit codes of send, for --help.
extern const char* const kExitCodes;

// The name of `names` nearest to `word`: at most two letters added, dropped,
// changed or swapped, or a name that begins with it. "" when none is near.
std::string Nearest(const std::string& word, const std::vector<std::string>& names);

// The command word of the arguments: the first that is not an option or
// the value of --settings; "" when there is none.
std::string CommandWord(int argc, const char* const* argv);

// False, with a message that suggests the nearest command, when the
// command word names none of `commands`.
bool CommandKnown(int argc, const char* const* argv, const std::vector<std::string>& commands);

}  // namespace usage
