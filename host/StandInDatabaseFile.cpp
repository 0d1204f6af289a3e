// The database as a text file, one record a line:
//
//   parlet-standin-database 1
//   contact 1
//   setting 1 "CList" "Hidden" byte 1
//   setting 0 "Parlet-Plugin" "Trigger" text "[SMS]\x0A"
//   end
//
// Texts are quoted; '\\', '"', and every byte outside printable ASCII are
// escaped, so any bytes round-trip. The file is read whole or not at all.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "StandInInternal.h"
#include "shell/Text.h"

namespace standin {
namespace {

constexpr const char* kHeader = "parlet-standin-database 1";
constexpr size_t kMaxFileSize = 64u << 20;
constexpr uint64_t kMaxContactId = 0x7FFFFFFF;

const char* TypeName(uint8_t type) {
    switch (type) {
    case host::kDbByte: return "byte";
    case host::kDbWord: return "word";
    case host::kDbDword: return "dword";
    case host::kDbText: return "text";
    default: return nullptr;
    }
}

std::string Render(const detail::DatabaseImage& db) {
    std::string out = kHeader;
    out += '\n';
    for (uintptr_t id : db.contacts) out += "contact " + std::to_string(id) + "\n";
    for (const auto& entry : db.settings) {
        const char* type = TypeName(entry.second.type);
        if (!type) continue;
        out += "setting " + std::to_string(entry.first.contact) + " ";
        text::AppendQuoted(out, entry.first.module);
        out += ' ';
        text::AppendQuoted(out, entry.first.name);
        out += ' ';
        out += type;
        out += ' ';
        if (entry.second.type == host::kDbText)
            text::AppendQuoted(out, entry.second.text);
        else
            out += std::to_string(entry.second.number);
        out += '\n';
    }
    out += "end\n";
    return out;
}

// A cursor over one line; every reader gives false on anything unexpected.
struct Cursor {
    const char* p;
    const char* end;

    bool Word(const char* word) {
        size_t n = std::strlen(word);
        if (static_cast<size_t>(end - p) < n || std::memcmp(p, word, n) != 0) return false;
        p += n;
        return true;
    }
    bool Space() { return p < end && *p++ == ' '; }
    bool AtEnd() const { return p == end; }

    bool Number(uint64_t max, uint64_t& value) {
        if (p == end || *p < '0' || *p > '9') return false;
        value = 0;
        while (p < end && *p >= '0' && *p <= '9') {
            value = value * 10 + static_cast<uint64_t>(*p++ - '0');
            if (value > max) return false;
        }
        return true;
    }

    bool Quoted(std::string& text) { return text::ReadQuoted(&p, end, &text); }
};

bool ParseType(Cursor& c, uint8_t& type, uint64_t& max) {
    if (c.Word("byte")) {
        type = host::kDbByte;
        max = 0xFF;
        return true;
    }
    if (c.Word("word")) {
        type = host::kDbWord;
        max = 0xFFFF;
        return true;
    }
    if (c.Word("dword")) {
        type = host::kDbDword;
        max = 0xFFFFFFFF;
        return true;
    }
    if (c.Word("text")) {
        type = host::kDbText;
        max = 0;
        return true;
    }
    return false;
}

// Null when the record was taken, else why it was not.
const char* ParseSetting(Cursor& c, detail::DatabaseImage& db) {
    constexpr const char* kForm = "a setting reads: setting CONTACT \"MODULE\" \"NAME\" byte|word|dword|text VALUE";
    uint64_t contact = 0;
    detail::SettingKey key;
    Setting value{};
    uint64_t max = 0;
    if (!c.Space() || !c.Number(kMaxContactId, contact)) return kForm;
    // kMaxContactId keeps the number within a 32-bit word.
    if (contact != 0 && !db.contacts.count(static_cast<uintptr_t>(contact))) {
        return "the setting's contact is not declared above it";
    }
    key.contact = static_cast<uintptr_t>(contact);
    if (!c.Space() || !c.Quoted(key.module) || !c.Space() || !c.Quoted(key.name)) return kForm;
    if (!c.Space() || !ParseType(c, value.type, max) || !c.Space()) return kForm;
    if (value.type == host::kDbText) {
        if (!c.Quoted(value.text)) return "the text is not quoted and escaped properly";
    } else {
        uint64_t n = 0;
        if (!c.Number(max, n)) return "the number is missing or too large for its type";
        value.number = static_cast<uint32_t>(n);
    }
    if (!c.AtEnd()) return "something follows the value";
    if (!db.settings.emplace(std::move(key), std::move(value)).second) return "the setting is given twice";
    return nullptr;
}

// Null when the file was read whole, else why not; `line` then holds the
// number of the line at fault.
const char* Parse(const std::string& file, detail::DatabaseImage& db, size_t* line) {
    bool header = false, ended = false;
    size_t pos = 0;
    *line = 0;
    while (pos < file.size()) {
        ++*line;
        // The last line may lack its line break: the "end" record, not the
        // break, tells a whole file from a cut one.
        size_t eol = file.find('\n', pos);
        if (eol == std::string::npos) eol = file.size();
        size_t stop = eol;
        if (stop > pos && file[stop - 1] == '\r') --stop;
        Cursor c{file.data() + pos, file.data() + stop};
        pos = eol + 1;
        if (c.AtEnd() || *c.p == '#') continue;
        if (ended) return "a record follows the end record";
        if (!header) {
            if (!c.Word(kHeader) || !c.AtEnd())
                return "not a settings file: the first record must be \"parlet-standin-database 1\"";
            header = true;
        } else if (c.Word("contact")) {
            uint64_t id = 0;
            if (!c.Space() || !c.Number(kMaxContactId, id) || id == 0 || !c.AtEnd())
                return "a contact reads: contact ID (1 and up)";
            if (!db.contacts.insert(static_cast<uintptr_t>(id)).second) return "the contact is given twice";
        } else if (c.Word("setting")) {
            if (const char* why = ParseSetting(c, db)) return why;
        } else if (c.Word("end")) {
            if (!c.AtEnd()) return "something follows \"end\"";
            ended = true;
        } else {
            return "unknown record (contact, setting or end expected)";
        }
    }
    ++*line;
    return ended ? nullptr : "the end record is missing: the file is cut short";
}

const char* ReadWholeFile(const std::string& path, std::string& content) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::strerror(errno);
    char buffer[65536];
    size_t n;
    const char* why = nullptr;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        if (content.size() + n > kMaxFileSize) {
            why = "the file is too large";
            break;
        }
        content.append(buffer, n);
    }
    if (!why && std::ferror(f)) why = "a read failed";
    std::fclose(f);
    return why;
}

}  // namespace

bool SaveDatabase(const std::string& path) {
    if (path.empty()) return false;
    std::string content = Render(detail::SnapshotDatabase());
    std::string temporary = path + ".tmp";
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (ok) ok = platform::SwapInFile(temporary, path);
    if (!ok) std::remove(temporary.c_str());
    return ok;
}

bool LoadDatabase(const std::string& path, std::string* error) {
    std::string content;
    if (const char* why = ReadWholeFile(path, content)) {
        if (error) *error = path + ": " + why;
        return false;
    }
    detail::DatabaseImage db;
    size_t line = 0;
    if (const char* why = Parse(content, db, &line)) {
        if (error) *error = path + ":" + std::to_string(line) + ": " + why;
        return false;
    }
    detail::ReplaceDatabase(std::move(db));
    return true;
}

}  // namespace standin
