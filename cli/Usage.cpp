#include "Usage.h"

#include <algorithm>
#include <cstdio>

#include "shell/PluginInfo.h"

namespace usage {

const char* const kExitCodes =
    "Exit codes: 0 sent whole; 3 sent in part (split parts went out and the rest did not, or cut\n"
    "mode dropped text; the unsent rest goes to standard error); 1 nothing sent; 2 bad usage,\n"
    "caught before any gateway is tried; 4 (send --wait-delivery) sent, but not known to be delivered.";

std::string VersionText() { return std::string("parlet ") + plugin::kVersionText; }

namespace {

// Edits (insert, delete, change, swap of neighbours) from a to b.
size_t Distance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t change = d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

std::string Nearest(const std::string& word, const std::vector<std::string>& names) {
    constexpr size_t kMaxEdits = 2;
    constexpr size_t kMaxWord = 64;  // longer words are no misspelt command
    if (word.empty() || word.size() > kMaxWord) return {};
    std::string best;
    size_t bestDistance = kMaxEdits + 1;
    for (const std::string& name : names) {
        size_t distance = name.compare(0, word.size(), word) == 0 ? 1 : Distance(word, name);
        if (distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}

std::string CommandWord(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--settings") {
            ++i;
        } else if (arg.empty() || arg[0] != '-') {
            return arg;
        }
    }
    return {};
}

bool CommandKnown(int argc, const char* const* argv, const std::vector<std::string>& commands) {
    std::string word = CommandWord(argc, argv);
    if (word.empty() || std::find(commands.begin(), commands.end(), word) != commands.end()) return true;
    std::string near = Nearest(word, commands);
    if (!near.empty()) {
        std::fprintf(stderr, "parlet: unknown command \"%s\"; did you mean \"%s\"?\n", word.c_str(), near.c_str());
    } else {
        std::string list;
        for (const std::string& c : commands) list += (list.empty() ? "" : ", ") + c;
        std::fprintf(stderr, "parlet: unknown command \"%s\"; the commands are %s (--help tells more)\n", word.c_str(),
                     list.c_str());
    }
    return false;
}

}  // namespace usage
