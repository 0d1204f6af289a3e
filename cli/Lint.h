// Checks gateway definition files and account files for everything the
// catalogue or the request runner would refuse, warn about or silently
// ignore, and says where and how to fix it.
#pragma once

#include <string>
#include <vector>

namespace lint {

// A note tells what a file does that is worth seeing (the headers a request
// sends); it is no fault.
enum class Severity { Note, Warning, Error };

struct Finding {
    std::string file;
    int line;  // 1-based; 0 when the finding concerns the whole file
    Severity severity;
    std::string message;
    std::string fix;  // one line
};

// Checks one definition file (".ini") or account file (".sac") given as its
// bytes, read as the plug-in reads them (ANSI, or UTF-8 or UTF-16 with a
// byte order mark; lines ending in CR, LF or both).
std::vector<Finding> CheckText(const std::string& fileName, const std::string& content);
// Checks a file, or every "*.ini" and "*.sac" of a folder and its order
// file; account files also for a name the plug-in never looks for.
std::vector<Finding> CheckPath(const std::string& path);

// "file:line: error: message\n    fix: ..." for people.
std::string Format(const Finding& finding);

}  // namespace lint
