#include <cstdio>
#include <string>

#include "Provider.h"

namespace provider {
namespace {

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

}  // namespace

std::string OutboxLine(const Message& m) {
    return "{\"route\":" + Quote(m.route) + ",\"user\":" + Quote(m.user) + ",\"to\":" + Quote(m.to) +
           ",\"text\":" + Quote(m.text) + ",\"from\":" + Quote(m.from) + ",\"network\":" + Quote(m.network) + "}";
}

}  // namespace provider
