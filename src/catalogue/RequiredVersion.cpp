#include "catalogue/RequiredVersion.h"

#include <cstring>

#include "shell/Text.h"

namespace {
constexpr size_t kShortestVersion = 7;  // 0.0.0.0

uint32_t Part(const char* text) {
    // atoi-like; a negative part wraps like any other modulo 256
    return static_cast<uint32_t>(text::ParseDecimal(text)) & 0xFFu;
}
}  // namespace

int ParseRequiredVersion(const char* text, uint32_t* version) {
    if (!text || std::strlen(text) < kShortestVersion) return -1;
    const char* dot1 = std::strchr(text, '.');
    const char* dot2 = dot1 ? std::strchr(dot1 + 1, '.') : nullptr;
    const char* dot3 = dot2 ? std::strchr(dot2 + 1, '.') : nullptr;
    if (!dot3) return -1;
    // Each part's reading stops at its dot; anything after a fourth dot is ignored.
    uint32_t packed = Part(text) << 24 | Part(dot1 + 1) << 16 | Part(dot2 + 1) << 8 | Part(dot3 + 1);
    if (version) *version = packed;
    return 0;
}
