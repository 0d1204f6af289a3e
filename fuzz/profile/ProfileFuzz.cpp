// libFuzzer harness for the portable section-and-key reader: the input is
// the file's bytes. Besides looking for crashes, it checks that reads stay
// inside their buffer, that a value written is read back after the file
// is written out and read in again, that the index finds what the plain
// search finds, and that UTF-16 text survives a round
// trip.
#include "script/profile/ProfileDocument.h"
#include "script/profile/ProfileEncoding.h"
#include "script/profile/ProfileIndex.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <type_traits>

namespace {

using namespace profile;

template <class C>
void Require(bool ok) {
    if (!ok) std::abort();
}

template <class C>
void ReadsStayInside(const document::Document<C>& doc, const std::basic_string<C>& section,
                     const std::basic_string<C>& key) {
    std::basic_string<C> value = document::Lookup(doc, section, key);
    for (size_t size : {size_t(0), size_t(1), size_t(2), size_t(3), value.size(), value.size() + 1, size_t(2048)}) {
        size_t offset = 0, count = 0;
        document::CutForBuffer(value, size, &offset, &count);
        Require<C>(size == 0 ? count == 0 : count <= size - 1);
        Require<C>(offset + count <= value.size());
    }
}

// The snapshot's index answers every name as the plain search does.
void IndexAgreesWithLookup(const document::Document<char>& doc) {
    document::KeyIndex index;
    index.Build(doc);
    size_t checked = 0;
    for (const auto& section : doc.sections) {
        for (const auto& key : section.keys) {
            if (++checked > 256) return;
            const document::Key<char>* found = index.Find(section.name.c_str(), key.name.c_str());
            std::string viaIndex = found && found->hasValue ? found->value : std::string();
            Require<char>(viaIndex == document::Lookup(doc, section.name, key.name));
        }
    }
}

template <class C>
void Exercise(const C* units, size_t length) {
    document::Document<C> doc = document::Parse(units, length);
    Require<C>(!doc.sections.empty() && doc.sections[0].name.empty());

    const C kSection[] = {'F', 'u', 'z', 'z', 0}, kKey[] = {'K', 'e', 'y', 0}, kValue[] = {'v', '1', 0};
    ReadsStayInside(doc, std::basic_string<C>(kSection), std::basic_string<C>(kKey));
    ReadsStayInside(doc, std::basic_string<C>(), std::basic_string<C>());
    if (doc.sections.size() > 1 && !doc.sections[1].keys.empty())
        ReadsStayInside(doc, doc.sections[1].name, doc.sections[1].keys[0].name);

    if constexpr (std::is_same_v<C, char>) IndexAgreesWithLookup(doc);

    document::SetValue(doc, std::basic_string<C>(kSection), std::basic_string<C>(kKey), std::basic_string<C>(kValue));
    std::basic_string<C> text = document::Serialize(doc);
    document::Document<C> again = document::Parse(text.data(), text.size());
    // A NUL can cut a name down to one with trailing blanks, which the
    // system writes and then reads back as another name; so does ours.
    if (std::basic_string<C>(units, length).find(C(0)) == std::basic_string<C>::npos) {
        Require<C>(document::Lookup(again, std::basic_string<C>(kSection), std::basic_string<C>(kKey)) ==
                   std::basic_string<C>(kValue));
    }

    document::RemoveKey(again, std::basic_string<C>(kSection), std::basic_string<C>(kKey));
    document::RemoveSection(again, std::basic_string<C>(kSection));
    document::Serialize(again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    size_t mark = 0;
    encoding::Kind kind = encoding::Detect(bytes, size, &mark);
    if (kind == encoding::Kind::Ansi) {
        Exercise(bytes, size);
    } else {
        std::u16string units = encoding::Decode(bytes + mark, size - mark, kind);
        Exercise(units.data(), units.size());
        for (char16_t u : units) encoding::ToAnsi(u);
        if (kind != encoding::Kind::Utf8 && (size - mark) % 2 == 0) {
            Require<char>(encoding::Encode(units, kind) == std::string(bytes, size));
        }
    }
    // Every input also read as UTF-8, the decoder with most edge cases.
    std::u16string asUtf8 = encoding::Decode(bytes, size, encoding::Kind::Utf8);
    encoding::Encode(asUtf8, encoding::Kind::Utf8);
    return 0;
}
