// A reply read as JSON, for the script engine's files that look into JSON
// replies (JsonPath.cpp, ReplyExcerpt.cpp); nlohmann-json stays behind them.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>

namespace script {

// False when the body is no JSON, or nests deeper than kMaxJsonDepth
// (JsonPath.h), which no reader should recurse into.
bool ReadJsonReply(const char* body, size_t length, nlohmann::json* out);

}  // namespace script
