#include "Lint.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "shell/PluginInfo.h"
#include "shell/Text.h"

namespace lint {
namespace {

struct Key {
    std::string name;
    std::string value;
    int line;
};

struct Section {
    std::string name;
    int line;
    std::vector<Key> keys;   // first of duplicate keys only
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

class Checker {
public:
    Checker(std::string file, std::vector<Finding>& out) : file_(std::move(file)), out_(out) {}

    void Error(int line, std::string message, std::string fix) {
        out_.push_back({file_, line, Severity::Error, std::move(message), std::move(fix)});
    }
    void Warn(int line, std::string message, std::string fix) {
        out_.push_back({file_, line, Severity::Warning, std::move(message), std::move(fix)});
    }

private:
    std::string file_;
    std::vector<Finding>& out_;
};

// Reads the layout as the profile reader sees it: names without regard to
// case, the first of duplicate keys and sections, blanks and quotes trimmed.
std::map<std::string, Section> Parse(const std::string& content, Checker& check) {
    std::map<std::string, Section> sections;
    Section* current = nullptr;
    std::set<std::string> seenKeys;
    int lineNo = 0;
    std::istringstream in(content);
    std::string raw;
    while (std::getline(in, raw)) {
        ++lineNo;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            std::string name = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            std::string key = Lower(name);
            auto it = sections.find(key);
            if (it != sections.end()) {
                check.Warn(lineNo, "section [" + name + "] appears again; its keys join the first [" +
                                       it->second.name + "] (line " + std::to_string(it->second.line) +
                                       ") and repeated keys are ignored",
                           "merge the two sections into one");
                current = &it->second;
            } else {
                current = &sections[key];
                current->name = name;
                current->line = lineNo;
            }
            seenKeys.clear();
            for (const Key& k : current->keys) seenKeys.insert(Lower(k.name));
            continue;
        }
        size_t eq = line.find('=');
        if (!current) {
            check.Warn(lineNo, "text before the first section is never read", "move it into a section or delete it");
            continue;
        }
        if (eq == std::string::npos) {
            check.Warn(lineNo, "line is neither a [section] nor key=value and is ignored", "write it as key=value");
            continue;
        }
        std::string name = Trim(line.substr(0, eq));
        std::string value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        if (!seenKeys.insert(Lower(name)).second) {
            check.Warn(lineNo, "key " + name + " is repeated in [" + current->name + "]; only the first one is read",
                       "delete one of the two");
            continue;
        }
        current->keys.push_back({name, value, lineNo});
    }
    return sections;
}

const Key* Find(const Section* section, const std::string& name) {
    if (!section) return nullptr;
    std::string lower = Lower(name);
    for (const Key& k : section->keys) {
        if (Lower(k.name) == lower) return &k;
    }
    return nullptr;
}

// Present means present and not empty.
const Key* Present(const Section* section, const std::string& name) {
    const Key* k = Find(section, name);
    return k && !k->value.empty() ? k : nullptr;
}

const Section* FindSection(const std::map<std::string, Section>& sections, const std::string& name) {
    auto it = sections.find(Lower(name));
    return it == sections.end() ? nullptr : &it->second;
}

// Splits "Prefix12" into ("prefix", 12); number -1 when there is none,
// -2 when it is not a plain decimal without leading zeros.
std::pair<std::string, int> SplitNumbered(const std::string& name) {
    size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) --digits;
    std::string stem = Lower(name.substr(0, digits));
    if (digits == name.size()) return {stem, -1};
    std::string number = name.substr(digits);
    if (number.size() > 1 && number[0] == '0') return {stem, -2};
    if (number.size() > 4) return {stem, 100000};
    return {stem, std::stoi(number)};
}

bool IsNumber(const std::string& s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    if (i == s.size()) return false;
    for (; i < s.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    }
    return true;
}

// Numbered keys of one stem in a section: number -> key.
std::map<int, const Key*> Numbered(const Section* section, const std::string& stem, Checker& check) {
    std::map<int, const Key*> out;
    if (!section) return out;
    for (const Key& k : section->keys) {
        auto [s, n] = SplitNumbered(k.name);
        if (s != stem) continue;
        if (n == -2) {
            check.Warn(k.line, k.name + " has a leading zero and is never read",
                       "number it without leading zeros");
        } else if (n == 0 || n > 255) {
            check.Warn(k.line, k.name + " is outside 1 to 255 and is never read", "renumber it from 1");
        } else if (n > 0) {
            out[n] = &k;
        }
    }
    return out;
}

// The entries of a numbered list that the reader actually reaches (it stops
// at the first absent number); the rest are reported as hidden.
int ReachableCount(const std::map<int, const Key*>& list, const std::string& what, Checker& check,
                   bool emptyEndsList = true) {
    int n = 1;
    while (true) {
        auto it = list.find(n);
        if (it == list.end() || (emptyEndsList && it->second->value.empty())) break;
        ++n;
    }
    for (const auto& [number, key] : list) {
        if (number >= n) {
            check.Warn(key->line,
                       key->name + " is never read: the " + what + " list ends at the gap before " + what +
                           std::to_string(n),
                       "renumber the list without gaps");
        }
    }
    return n - 1;
}

void CheckVersion(const Key* key, Checker& check) {
    const std::string& v = key->value;
    std::string fix = "write four numbers separated by dots, for example RequiresVersion=0.0.0.13";
    if (v.size() < 7) {
        check.Error(key->line, "RequiresVersion \"" + v + "\" is too short; the catalogue ignores this gateway", fix);
        return;
    }
    uint32_t parts[4] = {0, 0, 0, 0};
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        size_t dot = v.find('.', pos);
        if (i < 3 && dot == std::string::npos) {
            check.Error(key->line, "RequiresVersion \"" + v + "\" has fewer than four parts; the catalogue ignores this gateway",
                        fix);
            return;
        }
        std::string part = v.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos);
        parts[i] = static_cast<uint32_t>(text::ParseDecimal(part.c_str())) & 0xFF;
        if (!IsNumber(Trim(part))) {
            check.Warn(key->line, "part \"" + part + "\" of RequiresVersion reads as " + std::to_string(parts[i]), fix);
        }
        pos = dot == std::string::npos ? v.size() : dot + 1;
    }
    uint32_t required = (parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3];
    if (required > plugin::kVersion) {
        check.Error(key->line, "RequiresVersion " + v + " is newer than this plug-in (0.0.0.13); the gateway is ignored",
                    "lower RequiresVersion or update the plug-in");
    }
}

const char* const kTableVariables[] = {"$Prefix", "$Number", "$Message", "$Sender", "$Count", "$User", "$Pass", "$LRurl"};

void CheckTemplate(const Key& key, int customVarsBefore, Checker& check) {
    const std::string& t = key.value;
    for (size_t at = t.find('$'); at != std::string::npos; at = t.find('$', at + 1)) {
        std::string rest = t.substr(at);
        bool known = false;
        for (const char* var : kTableVariables) {
            size_t len = std::strlen(var);
            if (rest.compare(0, len, var) != 0) continue;
            known = true;
            if (rest.size() > len && rest[len] == '[') {
                size_t close = rest.find(']', len);
                if (close == std::string::npos) {
                    check.Warn(key.line, std::string(var) + "[ has no ] behind it: the [ stays in the text",
                               "close the selector as " + std::string(var) + "[start;length]");
                } else {
                    std::string sel = rest.substr(len + 1, close - len - 1);
                    size_t semi = sel.find(';');
                    std::string s = sel.substr(0, semi);
                    std::string l = semi == std::string::npos ? "0" : sel.substr(semi + 1);
                    if (!IsNumber(s) || !IsNumber(l)) {
                        check.Warn(key.line, "selector [" + sel + "] of " + var + " is not [start;length]; it reads as [" +
                                                  std::to_string(text::ParseDecimal(s.c_str())) + ";" +
                                                  std::to_string(text::ParseDecimal(l.c_str())) + "]",
                                   "write the selector as [start;length] with decimal numbers");
                    }
                }
            }
            break;
        }
        if (known) continue;
        if (rest.compare(0, 8, "$Cookie[") == 0) {
            if (rest.find(']') == std::string::npos) {
                check.Error(key.line, "$Cookie[ without ] cannot be expanded; the run fails",
                            "write $Cookie[name] with the closing ]");
            }
            known = true;
        } else if (rest.compare(0, 10, "$CustomVar") == 0) {
            size_t d = 10;
            while (d < rest.size() && std::isdigit(static_cast<unsigned char>(rest[d]))) ++d;
            if (d == 10) {
                check.Warn(key.line, "$CustomVar without a number is never replaced", "write $CustomVar1, $CustomVar2, ...");
            } else {
                int n = text::ParseDecimal(rest.substr(10, d - 10).c_str());
                if (n > customVarsBefore) {
                    check.Warn(key.line,
                               "$CustomVar" + std::to_string(n) + " is never filled: earlier requests extract at most " +
                                   std::to_string(customVarsBefore) + " custom variables",
                               "add CustomVar" + std::to_string(n) + " to an earlier request or use a lower number");
                }
                if (d < rest.size() && rest[d] == '[') {
                    check.Warn(key.line, "custom variables take no selector: the [ stays in the text",
                               "cut the value with the CustomVar pattern instead");
                }
            }
            known = true;
        }
        if (!known && rest.size() > 1 && std::isalpha(static_cast<unsigned char>(rest[1]))) {
            size_t e = 1;
            while (e < rest.size() && std::isalnum(static_cast<unsigned char>(rest[e]))) ++e;
            std::string word = rest.substr(0, e);
            std::string hint = "use one of $Prefix $Number $Message $Sender $Count $User $Pass $LRurl $CustomVarN $Cookie[name]";
            for (const char* var : kTableVariables) {
                if (Lower(word) == Lower(var)) hint = std::string("variables are case-sensitive: write ") + var;
            }
            check.Warn(key.line, word + " is not a variable and stays in the text unchanged", hint);
        }
    }
}

void CheckGatewayFile(const std::map<std::string, Section>& sections, Checker& check) {
    const Section* gw = FindSection(sections, "Gateway");
    if (!gw) {
        check.Error(0, "no [Gateway] section: every run fails at once (no Name)", "add a [Gateway] section with Name=...");
    }
    if (!Present(gw, "Name")) {
        check.Error(gw ? gw->line : 0, "[Gateway] has no Name: every run fails with -1", "add Name=<provider name>");
    }
    if (const Key* k = Present(gw, "Editme")) {
        check.Error(k->line, "Editme is present: every run stops with a warning box (-14)",
                    "put your account into the file and delete the line " + k->name + "=" + k->value);
    }
    if (const Key* k = Present(gw, "RequiresVersion")) CheckVersion(k, check);
    if (const Key* k = Present(gw, "MaxChars")) {
        if (!IsNumber(k->value) || text::ParseDecimal(k->value.c_str()) <= 0) {
            check.Warn(k->line, "MaxChars \"" + k->value + "\" is not a positive number; it reads as " +
                                    std::to_string(text::ParseDecimal(k->value.c_str())),
                       "write the provider's longest message length, for example MaxChars=160");
        }
    }
    static const std::set<std::string> kGatewayKeys = {"name", "editme", "requiresversion", "maxchars",
                                                       "success", "username", "password"};
    int prefixes = 0;
    if (gw) {
        for (const Key& k : gw->keys) {
            auto [stem, n] = SplitNumbered(k.name);
            if (stem == "prefix" && n != -1) continue;
            if (!kGatewayKeys.count(Lower(k.name))) {
                check.Warn(k.line, "[Gateway] key " + k.name + " is not one the plug-in reads", "check its spelling or delete it");
            }
        }
        auto list = Numbered(gw, "prefix", check);
        int reachable = ReachableCount(list, "Prefix", check);
        std::set<std::string> seen;
        for (int n = 1; n <= reachable; ++n) {
            const Key* k = list[n];
            size_t semi = k->value.find(';');
            if (semi == std::string::npos) {
                check.Error(k->line, k->name + " has no ';': the catalogue reports it and gathers no prefix from here on",
                            "write " + k->name + "=<digits>;<label>");
                break;
            }
            ++prefixes;
            std::string prefix = k->value.substr(0, semi);
            if (prefix.empty() || !std::all_of(prefix.begin(), prefix.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
                check.Warn(k->line, "prefix \"" + prefix + "\" is not digits only", "write the country prefix as digits");
            }
            if (!seen.insert(prefix).second) check.Warn(k->line, "prefix " + prefix + " is listed twice", "delete one");
            if (k->value.size() > 255) check.Warn(k->line, k->name + " is longer than 255 characters and is cut", "shorten the label");
        }
    }
    if (gw && prefixes == 0) {
        check.Error(gw->line, "the gateway lists no usable prefix: every message is refused (3840)", "add Prefix1=<digits>;<label>");
    }

    // The script: Request1, Request2, ... to the first section without URL.
    std::map<int, const Section*> requests;
    for (const auto& [lower, section] : sections) {
        auto [stem, n] = SplitNumbered(section.name);
        if (stem != "request") continue;
        if (n == -2 || n == 0 || n > 255) {
            check.Warn(section.line, "[" + section.name + "] is never run: request numbers go from 1 to 255 without leading zeros",
                       "renumber the request sections from 1");
        } else if (n > 0) {
            requests[n] = &section;
        }
    }
    int last = 0;
    while (requests.count(last + 1) && Present(requests[last + 1], "URL")) ++last;
    if (last == 0) {
        check.Error(requests.count(1) ? requests[1]->line : 0, "no [Request1] with a URL: every run fails with -13",
                    "add [Request1] with URL=http://...");
    }
    for (const auto& [n, section] : requests) {
        if (n > last) {
            check.Warn(section->line, "[" + section->name + "] is never run: the script ends at [Request" + std::to_string(last + 1) +
                                          "], which has no URL",
                       "renumber the request sections without gaps");
        }
    }

    static const std::set<std::string> kRequestKeys = {"url", "type", "delay", "referer", "host",
                                                       "useragent", "useselectdata", "poststring"};
    int customVars = 0;
    int lastKeyNumber = 0;
    for (int j = 1; j <= last; ++j) {
        const Section* r = requests[j];
        for (const Key& k : r->keys) {
            auto [stem, n] = SplitNumbered(k.name);
            bool numbered = (stem == "mapprefix" || stem == "customvar" || stem == "key") && n != -1;
            if (!numbered && !kRequestKeys.count(Lower(k.name))) {
                check.Warn(k.line, "[" + r->name + "] key " + k.name + " is not one the runner reads", "check its spelling or delete it");
            }
        }
        const Key* url = Present(r, "URL");
        std::string u = Lower(url->value);
        if (u.rfind("http://", 0) != 0 && u.rfind("https://", 0) != 0 && url->value[0] != '$') {
            check.Error(url->line, "URL \"" + url->value + "\" is not http://, https:// or a $variable: the run fails (-2)",
                        "begin the URL with http:// or https://");
        }
        CheckTemplate(*url, customVars, check);
        const Key* type = Present(r, "Type");
        if (!type) {
            check.Error(r->line, "[" + r->name + "] has no Type: the run fails (-4)", "add Type=GET or Type=POST");
        } else if (Lower(type->value) == "post") {
            const Key* body = Present(r, "PostString");
            if (!body) {
                check.Error(type->line, "a POST request without PostString fails the run (-5)", "add PostString=name=value&...");
            } else {
                CheckTemplate(*body, customVars, check);
            }
        } else if (Lower(type->value) == "get") {
            if (const Key* body = Present(r, "PostString")) {
                check.Warn(body->line, "PostString is ignored for a GET request", "delete it or make the request a POST");
            }
        } else {
            check.Error(type->line, "Type \"" + type->value + "\" is neither POST nor GET: the run fails (-7)", "write Type=GET or Type=POST");
        }
        if (const Key* ref = Present(r, "Referer")) CheckTemplate(*ref, customVars, check);
        if (const Key* delay = Present(r, "Delay")) {
            if (!IsNumber(delay->value)) {
                check.Warn(delay->line, "Delay \"" + delay->value + "\" reads as " + std::to_string(text::ParseDecimal(delay->value.c_str())) + " ms",
                           "write the pause in milliseconds, for example Delay=1500");
            }
        }
        auto maps = Numbered(r, "mapprefix", check);
        int mapCount = ReachableCount(maps, "MapPrefix", check);
        for (int n = 1; n <= mapCount; ++n) {
            if (n > prefixes) {
                check.Warn(maps[n]->line, maps[n]->name + " has no Prefix" + std::to_string(n) + " in [Gateway] and is never used",
                           "add Prefix" + std::to_string(n) + " or delete the mapping");
            }
            CheckTemplate(*maps[n], customVars, check);
        }
        auto vars = Numbered(r, "customvar", check);
        if (!vars.empty() && vars.begin()->first <= customVars) {
            const Key* k = vars.begin()->second;
            check.Warn(k->line, k->name + " is read only when earlier requests extract fewer than " + std::to_string(vars.begin()->first) +
                                    " values: numbering runs on across requests",
                       "number on from CustomVar" + std::to_string(customVars + 1));
        }
        // Reading starts one above the values extracted so far and stops at a gap.
        int next = customVars + 1;
        while (vars.count(next) && !vars[next]->value.empty()) ++next;
        for (const auto& [n, k] : vars) {
            if (n >= next) {
                check.Warn(k->line, k->name + " is never read: the list ends at the gap before CustomVar" + std::to_string(next),
                           "renumber the custom variables without gaps");
            }
        }
        customVars = next - 1;
        auto keys = Numbered(r, "key", check);
        if (!keys.empty() && keys.begin()->first <= lastKeyNumber) {
            const Key* k = keys.begin()->second;
            check.Warn(k->line, k->name + " may never be read: Key numbering runs on across requests (after Key" +
                                    std::to_string(lastKeyNumber) + ")",
                       "number on from Key" + std::to_string(lastKeyNumber + 1));
        }
        if (!keys.empty()) {
            int expect = keys.begin()->first;
            for (const auto& [n, k] : keys) {
                if (n != expect) {
                    check.Warn(k->line, k->name + " is never read: the list ends at the gap before Key" + std::to_string(expect),
                               "renumber the keys without gaps");
                } else {
                    ++expect;
                }
            }
            lastKeyNumber = std::max(lastKeyNumber, expect - 1);
        }
    }
    if (last > 0 && !Present(gw, "Success")) {
        check.Warn(gw ? gw->line : 0, "no Success text: any run whose pages load counts as sent",
                   "add Success=<text the provider's last page shows after sending>");
    }
    for (const auto& [lower, section] : sections) {
        auto [stem, n] = SplitNumbered(section.name);
        if (lower != "gateway" && stem != "request") {
            check.Warn(section.line, "section [" + section.name + "] is not read by the plug-in", "check its name or delete it");
        }
    }
}

void CheckAccountFile(const std::map<std::string, Section>& sections, Checker& check) {
    std::map<int, const Section*> accounts;
    for (const auto& [lower, section] : sections) {
        auto [stem, n] = SplitNumbered(section.name);
        if (stem == "temp" && n > 0) {
            check.Warn(section.line, "[" + section.name + "] is left over from an interrupted renumbering",
                       "check the accounts and delete the Temp sections");
        } else if (stem == "account" && n > 0 && n <= 255) {
            accounts[n] = &section;
            for (const Key& k : section.keys) {
                std::string name = Lower(k.name);
                if (name != "username" && name != "password") {
                    check.Warn(k.line, "key " + k.name + " stays in [" + section.name + "] when accounts are renumbered",
                               "keep only Username and Password in account sections");
                }
            }
        } else {
            check.Warn(section.line, "section [" + section.name + "] is not an account and is never read",
                       "name account sections Account1, Account2, ...");
        }
    }
    int n = 0;
    while (accounts.count(n + 1) && Present(accounts[n + 1], "Username")) ++n;
    if (n == 0) {
        check.Warn(0, "no [Account1] with a Username: the gateway's own Username and Password are used",
                   "add [Account1] with Username= and Password=");
    }
    for (const auto& [number, section] : accounts) {
        if (number > n) {
            check.Warn(section->line, "[" + section->name + "] is never used: the accounts end at [Account" + std::to_string(n + 1) +
                                          "], which has no Username",
                       "renumber the accounts without gaps, each with a Username");
        }
    }
}

bool EndsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::vector<Finding> CheckText(const std::string& fileName, const std::string& content) {
    std::vector<Finding> out;
    Checker check(fileName, out);
    auto sections = Parse(content, check);
    if (EndsWith(Lower(fileName), ".sac")) {
        CheckAccountFile(sections, check);
    } else {
        CheckGatewayFile(sections, check);
    }
    std::stable_sort(out.begin(), out.end(), [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return out;
}

std::vector<Finding> CheckPath(const std::string& path) {
    namespace fs = std::filesystem;
    std::vector<Finding> out;
    std::vector<fs::path> files;
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        for (const auto& entry : fs::directory_iterator(path, ec)) {
            std::string ext = Lower(entry.path().extension().string());
            if (ext == ".ini" || ext == ".sac") files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        if (files.empty()) {
            out.push_back({path, 0, Severity::Error, "no gateway definition file (*.ini) in this folder",
                           "put the gateway files into this folder or pick the right one"});
        }
    } else if (fs::exists(path, ec)) {
        files.push_back(path);
    } else {
        out.push_back({path, 0, Severity::Error, "no such file or folder", "check the path"});
    }
    for (const fs::path& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        auto found = CheckText(file.string(), content.str());
        out.insert(out.end(), found.begin(), found.end());
        std::string name = file.filename().string();
        if (EndsWith(name, ".sac")) {
            fs::path definition = file;
            definition.replace_extension(".ini");
            if (!fs::exists(definition, ec)) {
                out.push_back({file.string(), 0, Severity::Warning,
                               "no definition file " + definition.filename().string() + " beside it: this account file is never read",
                               "name it after its definition file, which must end in lower-case .ini"});
            }
        }
    }
    return out;
}

std::string Format(const Finding& f) {
    std::string where = f.file + ":" + (f.line > 0 ? std::to_string(f.line) + ":" : "");
    return where + " " + (f.severity == Severity::Error ? "error: " : "warning: ") + f.message + "\n    fix: " + f.fix;
}

}  // namespace lint
