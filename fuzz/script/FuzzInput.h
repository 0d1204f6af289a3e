// Splits a fuzzer's input into parts at 0x01 bytes, and serves all parts
// but the last (the page) as the numbered keys of a request section.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fuzzinput {

inline std::vector<std::string> Split(const uint8_t* data, size_t size, size_t maxParts) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 1 && parts.size() < maxParts) {
            parts.emplace_back();
        } else {
            parts.back() += static_cast<char>(data[i]);
        }
    }
    return parts;
}

// Keys "<stem>1", "<stem>2", ... from the parts before the last one.
using Keys = std::map<std::string, std::string>;
inline Keys NumberedKeys(const std::vector<std::string>& parts, const char* stem) {
    Keys keys;
    for (size_t i = 0; i + 1 < parts.size(); ++i) keys[stem + std::to_string(i + 1)] = parts[i];
    return keys;
}

// A section reader over Keys (the context).
inline std::string ReadKey(const void* context, const char* key) {
    const auto* keys = static_cast<const Keys*>(context);
    auto it = keys->find(key);
    return it == keys->end() ? std::string() : it->second;
}

}  // namespace fuzzinput
