// Log entries whose wholeness can be checked: "<tag> <n> <size> <payload>\n",
// the payload `size` letters made from tag and n, so that a piece of one
// entry inside another, a gap or a cut never passes.
#pragma once

#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace torture {

inline std::string Payload(const std::string& tag, long n, size_t size) {
    std::string out;
    out.reserve(size);
    unsigned v = static_cast<unsigned>(n) * 2654435761u + static_cast<unsigned char>(tag.empty() ? 0 : tag[0]);
    for (size_t i = 0; i < size; ++i) {
        v = v * 1103515245u + 12345u;
        out += static_cast<char>('a' + (v >> 16) % 26);
    }
    return out;
}

inline std::string LogEntry(const std::string& tag, long n, size_t size) {
    return tag + " " + std::to_string(n) + " " + std::to_string(size) + " " + Payload(tag, n, size) + "\n";
}

// Checks every line of the log (CR LF or LF): a time stamp, four blanks
// and a whole entry, each writer's entries numbered 1, 2, 3 ... in order.
// A last line without its line break is the entry a killed writer was in
// the middle of; it must be the beginning of that writer's next entry.
// Gives "" or the first problem; `last` receives each writer's last entry.
inline std::string CheckLog(const std::string& path, std::map<std::string, long>* last) {
    std::map<std::string, size_t> sizes;   // each writer's entry size
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    constexpr size_t kStamp = 28;   // "Wed Dec 19 02:21:12 2007    "
    size_t start = 0;
    long lineNumber = 0;
    while (start < text.size()) {
        ++lineNumber;
        size_t end = text.find('\n', start);
        bool whole = end != std::string::npos;
        std::string line = text.substr(start, whole ? end - start : std::string::npos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = whole ? end + 1 : text.size();
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (line.size() < kStamp || line.compare(kStamp - 4, 4, "    ") != 0) {
            if (!whole) return "";   // a kill inside the time stamp
            return where + "no time stamp";
        }
        const std::string body = line.substr(kStamp);
        if (!whole) {
            // Only the beginning of the entry a killed writer was writing.
            if (last->empty()) return "";
            for (const auto& [tag, seen] : *last) {
                std::string next = LogEntry(tag, seen + 1, sizes[tag]);
                if (next.compare(0, body.size(), body) == 0) return "";
            }
            return where + "a cut entry that is no writer's next one";
        }
        std::istringstream fields(body);
        std::string tag;
        long n = 0;
        size_t size = 0;
        fields >> tag >> n >> size;
        long& seen = (*last)[tag];
        if (n != seen + 1) return where + tag + " entry " + std::to_string(n) + " after " + std::to_string(seen);
        if (body + "\n" != LogEntry(tag, n, size)) return where + tag + " entry " + std::to_string(n) + " is damaged";
        seen = n;
        sizes[tag] = size;
    }
    return "";
}

}  // namespace torture
