#include "script/profile/ProfileFile.h"

#include <type_traits>

namespace profile {
namespace {

// More than one unit in 16 a control character other than the blanks the
// reader skips, or any NUL, and the file is not text.
template <class C>
bool LooksBinary(const C* text, size_t length) {
    size_t controls = 0;
    for (size_t i = 0; i < length; ++i) {
        const auto c = static_cast<std::make_unsigned_t<C>>(text[i]);
        if (c == 0) return true;
        if ((c < 0x20 && !document::IsBlank(text[i])) || c == 0x7F) ++controls;
    }
    return controls * 16 > length;
}

std::string ToAnsi(const std::u16string& units) {
    std::string out(units.size(), '\0');
    for (size_t i = 0; i < units.size(); ++i) out[i] = encoding::ToAnsi(units[i]);
    return out;
}

// Unit for unit, as reads convert a value: lengths and cuts stay the same.
document::Document<char> ToAnsi(const document::Document<char16_t>& wide) {
    document::Document<char> doc;
    doc.sections.reserve(wide.sections.size());
    for (const document::Section<char16_t>& section : wide.sections) {
        document::Section<char> narrow;
        narrow.name = ToAnsi(section.name);
        narrow.line = section.line;
        narrow.keys.reserve(section.keys.size());
        for (const document::Key<char16_t>& key : section.keys) {
            narrow.keys.push_back(document::Key<char>{ToAnsi(key.name), ToAnsi(key.value), key.hasValue, key.line});
        }
        doc.sections.push_back(std::move(narrow));
    }
    return doc;
}

}  // namespace

ParsedFile ParseFile(const std::string& bytes) {
    ParsedFile file;
    size_t mark = 0;
    file.kind = encoding::Detect(bytes.data(), bytes.size(), &mark);
    if (file.kind == encoding::Kind::Ansi) {
        file.binary = LooksBinary(bytes.data(), bytes.size());
        file.doc = document::Parse(bytes.data(), bytes.size());
        return file;
    }
    std::u16string units = encoding::Decode(bytes.data() + mark, bytes.size() - mark, file.kind);
    file.binary = LooksBinary(units.data(), units.size());
    file.doc = ToAnsi(document::Parse(units.data(), units.size()));
    return file;
}

}  // namespace profile
