// Splitting a line of a parlet-host scenario file into words.
#pragma once

#include <string>
#include <vector>

namespace scenario {

// Words are separated by blanks. A word in double quotes may hold blanks
// and the escapes \" \\ \n \r \t and \xHH (a byte); a '#' outside quotes
// starts a comment.
// False (with `error` set) on an unterminated quote or an unknown escape.
bool SplitLine(const std::string& line, std::vector<std::string>* words, std::string* error);

// Replaces every ${NAME} by what `lookup` gives for NAME (nothing when it
// gives null); anything else is left as it stands.
std::string ExpandVariables(const std::string& line, const char* (*lookup)(const char* name));

// Keys of the "type" command: plain characters, and {return}, {tab},
// {ctrl+return} (character 10 with Ctrl held), {ctrl+a} ... {ctrl+z}
// (characters 1 to 26 with Ctrl held) and {{} for a brace.
struct TypedKey {
    char character;
    bool control;
};
bool ParseKeys(const std::string& text, std::vector<TypedKey>* keys, std::string* error);

// Keys of the "key" command, pressed as the keyboard does: plain characters,
// and {NAME} with modifiers in front, as in {escape}, {alt+s}, {shift+tab},
// {ctrl+return}, {alt+f4}. NAME is a letter, a digit or one of the names of
// kNamedKeys. `virtualKey` is the Windows virtual-key code; 0 for a plain
// character, which is typed with the keys the keyboard layout needs for it.
struct KeyStroke {
    int virtualKey = 0;
    char character = 0;
    bool ctrl = false;
    bool alt = false;
    bool shift = false;
};
struct NamedKey {
    const char* name;
    int virtualKey;
};
extern const NamedKey kNamedKeys[];
bool ParseKeyStrokes(const std::string& text, std::vector<KeyStroke>* keys, std::string* error);

}  // namespace scenario
