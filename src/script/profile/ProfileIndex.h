// An index of a parsed ANSI file for the reader's lookups: the first
// section of a name is the only one searched, and in it the first key of a
// name wins. Names match without regard to ASCII case and blanks around
// them, and a lookup hashes the caller's names as they are, copying nothing.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "script/profile/ProfileDocument.h"

namespace profile {
namespace document {

class KeyIndex {
public:
    void Build(const Document<char>& doc) {
        slots_.assign(SlotCount(doc), Slot{});
        mask_ = slots_.size() - 1;
        std::vector<Slot> sectionSlots(SlotCount(doc.sections.size()), Slot{});
        for (const Section<char>& section : doc.sections) {
            uint64_t sectionHash = Hash(section.name.data(), section.name.size(), kSeed);
            if (!Claim(sectionSlots, sectionHash, section)) continue;  // a later section of a seen name
            for (const Key<char>& key : section.keys) {
                uint64_t hash = Hash(key.name.data(), key.name.size(), Mix(sectionHash));
                if (!Find(hash, section.name.data(), section.name.size(), key.name.data(), key.name.size()))
                    Insert(hash, section, key);
            }
        }
    }

    const Key<char>* Find(const char* section, const char* key) const {
        if (slots_.empty()) return nullptr;
        size_t sb = 0, se = std::strlen(section), kb = 0, ke = std::strlen(key);
        Trim(section, &sb, &se);
        Trim(key, &kb, &ke);
        uint64_t hash = Hash(key + kb, ke - kb, Mix(Hash(section + sb, se - sb, kSeed)));
        return Find(hash, section + sb, se - sb, key + kb, ke - kb);
    }

private:
    struct Slot {
        uint64_t hash = 0;
        const Section<char>* section = nullptr;
        const Key<char>* key = nullptr;
    };

    static constexpr uint64_t kSeed = 1469598103934665603ull;  // FNV-1a
    static uint64_t Hash(const char* s, size_t n, uint64_t h) {
        for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(FoldAscii(s[i]))) * 1099511628211ull;
        return h;
    }
    // Keeps "ab"+"c" apart from "a"+"bc".
    static uint64_t Mix(uint64_t h) { return (h ^ 0xFF) * 1099511628211ull; }

    static size_t SlotCount(size_t entries) {
        size_t n = 8;
        while (n < entries * 2) n *= 2;
        return n;
    }
    static size_t SlotCount(const Document<char>& doc) {
        size_t keys = 0;
        for (const Section<char>& section : doc.sections) keys += section.keys.size();
        return SlotCount(keys);
    }

    // Marks a section name as seen; false when it was seen already.
    static bool Claim(std::vector<Slot>& slots, uint64_t hash, const Section<char>& section) {
        size_t mask = slots.size() - 1;
        for (size_t i = static_cast<size_t>(hash) & mask;; i = (i + 1) & mask) {
            if (!slots[i].section) {
                slots[i] = Slot{hash, &section, nullptr};
                return true;
            }
            if (slots[i].hash == hash && SameNoCase(slots[i].section->name, section.name.data(), section.name.size()))
                return false;
        }
    }

    void Insert(uint64_t hash, const Section<char>& section, const Key<char>& key) {
        size_t i = static_cast<size_t>(hash) & mask_;
        while (slots_[i].key) i = (i + 1) & mask_;
        slots_[i] = Slot{hash, &section, &key};
    }

    const Key<char>* Find(uint64_t hash, const char* section, size_t sectionLength, const char* key,
                          size_t keyLength) const {
        for (size_t i = static_cast<size_t>(hash) & mask_; slots_[i].key; i = (i + 1) & mask_) {
            const Slot& slot = slots_[i];
            if (slot.hash == hash && SameNoCase(slot.key->name, key, keyLength) &&
                SameNoCase(slot.section->name, section, sectionLength))
                return slot.key;
        }
        return nullptr;
    }

    std::vector<Slot> slots_;
    size_t mask_ = 0;
};

}  // namespace document
}  // namespace profile
