// Shorthands for writing the corpus.
#pragma once

#include "ProfileCases.h"

namespace profiletest {

inline Op R(std::string section, std::string key, size_t size, std::string expect) {
    Op op{Op::kRead, std::move(section), std::move(key), {}, size, std::move(expect)};
    return op;
}
inline Op W(std::string section, std::string key, std::string value, std::string after, bool present = true,
            bool ok = true) {
    Op op{Op::kWrite, std::move(section), std::move(key), std::move(value), 0, std::move(after), present, ok};
    return op;
}
inline Op DS(std::string section, std::string after, bool present = true, bool ok = true) {
    Op op{Op::kDeleteSection, std::move(section), {}, {}, 0, std::move(after), present, ok};
    return op;
}
inline Op DK(std::string section, std::string key, std::string after, bool present = true, bool ok = true) {
    Op op{Op::kDeleteKey, std::move(section), std::move(key), {}, 0, std::move(after), present, ok};
    return op;
}

}  // namespace profiletest
