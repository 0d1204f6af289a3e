#include "ScenarioLine.h"

#include <cstring>

namespace scenario {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool Escape(char c, char* out) {
    switch (c) {
    case '"': *out = '"'; return true;
    case '\\': *out = '\\'; return true;
    case 'n': *out = '\n'; return true;
    case 'r': *out = '\r'; return true;
    case 't': *out = '\t'; return true;
    default: return false;
    }
}

// Two hexadecimal digits.
bool HexByte(const std::string& digits, char* out) {
    int value = 0;
    for (char d : digits) {
        int v = d >= '0' && d <= '9'   ? d - '0'
                : d >= 'a' && d <= 'f' ? d - 'a' + 10
                : d >= 'A' && d <= 'F' ? d - 'A' + 10
                                       : -1;
        if (v < 0) return false;
        value = value * 16 + v;
    }
    *out = static_cast<char>(value);
    return true;
}

}  // namespace

bool SplitLine(const std::string& line, std::vector<std::string>* words, std::string* error) {
    words->clear();
    size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '#') break;
        std::string word;
        if (line[i] != '"') {
            while (i < line.size() && !IsBlank(line[i])) word += line[i++];
            words->push_back(word);
            continue;
        }
        ++i;
        for (;;) {
            if (i >= line.size()) {
                *error = "unterminated quote";
                return false;
            }
            char c = line[i++];
            if (c == '"') break;
            if (c == '\\') {
                if (i + 2 < line.size() && line[i] == 'x' && HexByte(line.substr(i + 1, 2), &c)) {
                    i += 3;
                } else if (i < line.size() && Escape(line[i], &c)) {
                    ++i;
                } else {
                    *error = "unknown escape";
                    return false;
                }
            }
            word += c;
        }
        words->push_back(word);
    }
    return true;
}

std::string ExpandVariables(const std::string& line, const char* (*lookup)(const char* name)) {
    std::string out;
    size_t i = 0;
    while (i < line.size()) {
        size_t start = line.find("${", i);
        size_t end = start == std::string::npos ? start : line.find('}', start + 2);
        if (end == std::string::npos) break;
        out.append(line, i, start - i);
        const char* value = lookup(line.substr(start + 2, end - start - 2).c_str());
        if (value) out += value;
        i = end + 1;
    }
    out.append(line, i, std::string::npos);
    return out;
}

bool ParseKeys(const std::string& text, std::vector<TypedKey>* keys, std::string* error) {
    keys->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '{') {
            keys->push_back({text[i], false});
            continue;
        }
        size_t end = text.find('}', i + 2);  // "{}}" is not a key; "{{}" is a brace
        if (end == std::string::npos) {
            *error = "unterminated {key}";
            return false;
        }
        std::string name = text.substr(i + 1, end - i - 1);
        if (name == "{") {
            keys->push_back({'{', false});
        } else if (name == "return") {
            keys->push_back({'\r', false});
        } else if (name == "tab") {
            keys->push_back({'\t', false});
        } else if (name == "ctrl+return") {
            keys->push_back({'\n', true});
        } else if (name.size() == 6 && name.compare(0, 5, "ctrl+") == 0 && name[5] >= 'a' && name[5] <= 'z') {
            keys->push_back({static_cast<char>(name[5] - 'a' + 1), true});
        } else {
            *error = "unknown key {" + name + "}";
            return false;
        }
        i = end;
    }
    return true;
}

// Windows' virtual-key codes of the keys a dialog reacts to.
const NamedKey kNamedKeys[] = {
    {"backspace", 0x08}, {"tab", 0x09},    {"return", 0x0D}, {"escape", 0x1B}, {"space", 0x20},
    {"home", 0x24},      {"end", 0x23},    {"left", 0x25},   {"up", 0x26},     {"right", 0x27},
    {"down", 0x28},      {"delete", 0x2E}, {"f1", 0x70},     {"f2", 0x71},     {"f3", 0x72},
    {"f4", 0x73},        {"f5", 0x74},     {"f6", 0x75},     {"f7", 0x76},     {"f8", 0x77},
    {"f9", 0x78},        {"f10", 0x79},    {"f11", 0x7A},    {"f12", 0x7B},    {nullptr, 0},
};

namespace {

// A letter or digit names its own key (the virtual-key codes of 'A'..'Z'
// and '0'..'9' are those characters).
int VirtualKeyOf(const std::string& name) {
    if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z') return name[0] - 'a' + 'A';
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') return name[0];
    for (const NamedKey* k = kNamedKeys; k->name; ++k)
        if (name == k->name) return k->virtualKey;
    return 0;
}

bool TakeModifier(std::string& name, const char* modifier, bool* flag) {
    const size_t n = std::strlen(modifier);
    if (name.compare(0, n, modifier) != 0 || name.size() == n) return false;
    *flag = true;
    name.erase(0, n);
    return true;
}

}  // namespace

bool ParseKeyStrokes(const std::string& text, std::vector<KeyStroke>* keys, std::string* error) {
    keys->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        KeyStroke key;
        if (text[i] != '{') {
            key.character = text[i];
            keys->push_back(key);
            continue;
        }
        size_t end = text.find('}', i + 2);  // "{{}" is a brace
        if (end == std::string::npos) {
            *error = "unterminated {key}";
            return false;
        }
        std::string name = text.substr(i + 1, end - i - 1);
        if (name == "{") {
            key.character = '{';
        } else {
            while (TakeModifier(name, "ctrl+", &key.ctrl) || TakeModifier(name, "alt+", &key.alt) ||
                   TakeModifier(name, "shift+", &key.shift)) {
            }
            key.virtualKey = VirtualKeyOf(name);
            if (!key.virtualKey) {
                *error = "unknown key {" + text.substr(i + 1, end - i - 1) + "}";
                return false;
            }
        }
        keys->push_back(key);
        i = end;
    }
    return true;
}

}  // namespace scenario
