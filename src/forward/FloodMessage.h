// The answer to a contact that asks for a forward too soon: the user's
// "FloodMsg" text with the minutes left put into it.
#pragma once

#include <cstddef>
#include <string>

namespace forward {

constexpr size_t kMaxFloodAnswer = 1023;  // characters of an answer

// Expands `format` the way printf would with `minutes` as its one int
// argument, but only as far as that is safe for any text a user may type:
// - the first integer conversion (d, i, u, o, x or X, with flags, a width,
//   a precision and length modifiers as printf takes them) receives
//   `minutes`;
// - "%%" gives one "%";
// - every other conversion (a second integer, %s, %n, %f, one with a '*'
//   width, an unknown one, a '%' at the end) is copied as it stands, so
//   nothing else is ever read and nothing is written through a pointer.
// The answer is cut to kMaxFloodAnswer characters; the time taken is linear
// in the length of `format`.
std::string ExpandFloodMessage(const std::string& format, int minutes);

}  // namespace forward
