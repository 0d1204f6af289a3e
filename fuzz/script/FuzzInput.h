// Splits a fuzzer's input into parts at 0x01 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
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

}  // namespace fuzzinput
