// The "RequiresVersion" entry of a definition file: four decimal parts
// separated by dots, each taken modulo 256, packed first part highest.
#pragma once

#include <cstddef>
#include <cstdint>

// The catalogue reads the entry into a buffer of this size.
constexpr size_t kVersionValueSize = 256;

// 0 and the packed number in *version; -1 when the text is malformed
// (shorter than 7 characters, or fewer than four parts).
int ParseRequiredVersion(const char* text, uint32_t* version);
