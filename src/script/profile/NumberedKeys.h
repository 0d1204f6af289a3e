// Numbered lists: "Prefix1", "Prefix2", ... in a gateway file, "Request1",
// "Request2", ... as sections, "MyPhone0", "MyPhone1", ... as settings. A
// name is the stem and the number in decimal without leading zeros. One
// reader walks all of them, so every list is numbered and ends alike.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace profile {

constexpr int kLastNumber = 255;  // no numbered list of a gateway or account file goes past this

// The name of entry `n`: "Prefix" and 3 give "Prefix3".
inline std::string NumberedName(std::string_view stem, int n) { return std::string(stem) + std::to_string(n); }

// Entries `first` to `last` of the list named `stem`; `last` must be below INT_MAX.
struct NumberedList {
    std::string_view stem;
    int first = 1;
    int last = kLastNumber;
};

// Calls `visit(n, name)` for n = first, first + 1, ... up to `last`, while
// it gives true: the visitor decides where the list ends. Gives the number
// the walk ended at: the one `visit` refused, or last + 1.
template <class Visit>
int ForEachNumbered(const NumberedList& list, Visit&& visit) {
    int n = list.first;
    while (n <= list.last && visit(n, NumberedName(list.stem, n))) ++n;
    return n;
}

// What a read gives for an absent entry: an empty text (a missing key and an
// empty value are the same) or no value at all. A value of another kind
// than the list expects is present: the visitor skips it, the list goes on.
inline bool Absent(const std::string& value) { return value.empty(); }
template <class T>
bool Absent(const std::optional<T>& value) {
    return !value;
}

// A list that ends at its first absent entry (or after `last`): `read(name)`
// gives entry n's value, `visit(n, name, value)` sees each one present and
// gives false to end the list there. Gives the number the list ended at:
// the first absent one, the one `visit` refused, or last + 1.
template <class Read, class Visit>
int ReadNumbered(const NumberedList& list, Read&& read, Visit&& visit) {
    return ForEachNumbered(list, [&](int n, const std::string& name) {
        auto value = read(name);
        return !Absent(value) && visit(n, name, value);
    });
}

}  // namespace profile
