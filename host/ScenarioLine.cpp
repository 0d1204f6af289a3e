#include "ScenarioLine.h"

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

}  // namespace scenario
