#include "ProfileRunner.h"

#include "script/profile/Profile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace profiletest {

const Implementation& Portable() {
    static const Implementation impl = {"portable", profile::portable::Read, profile::portable::Write,
                                        profile::portable::DeleteSection, profile::portable::DeleteKey};
    return impl;
}

namespace {
// Each read through a snapshot taken for it, so it goes through the index.
size_t SnapshotRead(const char* file, const char* section, const char* key, char* buffer, size_t size) {
    void* snapshot = profile::portable::TakeSnapshot(file);
    size_t n = profile::portable::Read(file, section, key, buffer, size);
    profile::portable::DropSnapshot(snapshot);
    return n;
}
}  // namespace

const Implementation& PortableSnapshot() {
    static const Implementation impl = {"snapshot", SnapshotRead, profile::portable::Write,
                                        profile::portable::DeleteSection, profile::portable::DeleteKey};
    return impl;
}

#ifdef _WIN32
namespace {
// Wine keeps a parsed copy of a file it has used; dropping it after every
// call makes the next call read the file from disk.
void Forget(const char* file) { WritePrivateProfileStringA(nullptr, nullptr, nullptr, file); }

size_t SystemRead(const char* file, const char* section, const char* key, char* buffer, size_t size) {
    DWORD n = GetPrivateProfileStringA(section, key, "", buffer, static_cast<DWORD>(size), file);
    Forget(file);
    return n;
}
bool SystemWrite(const char* file, const char* section, const char* key, const char* value) {
    BOOL ok = WritePrivateProfileStringA(section, key, value, file);
    Forget(file);
    return ok != FALSE;
}
bool SystemDeleteSection(const char* file, const char* section) { return SystemWrite(file, section, nullptr, nullptr); }
bool SystemDeleteKey(const char* file, const char* section, const char* key) {
    return SystemWrite(file, section, key, nullptr);
}
}  // namespace

const Implementation& System() {
    static const Implementation impl = {"system", SystemRead, SystemWrite, SystemDeleteSection, SystemDeleteKey};
    return impl;
}
#endif

ReadAnswer ReadWithSentinel(const Implementation& impl, const std::string& file, const Op& op, size_t size) {
    std::vector<char> buffer(size + kSlack, static_cast<char>(kSentinel));
    size_t n = impl.read(file.c_str(), op.section.c_str(), op.key.c_str(), buffer.data(), size);
    return {n, std::string(buffer.data(), buffer.size())};
}

std::string ExpectedBuffer(const std::string& text, size_t size) {
    std::string buffer(size + kSlack, static_cast<char>(kSentinel));
    if (size > 0) {
        buffer.replace(0, text.size(), text);
        buffer[text.size()] = '\0';
    }
    return buffer;
}

Answer Perform(const Implementation& impl, const std::string& file, const Op& op) {
    Answer a;
    switch (op.kind) {
        case Op::kRead: {
            ReadAnswer r = ReadWithSentinel(impl, file, op, op.size);
            a.text = r.buffer.substr(0, r.count < r.buffer.size() ? r.count : r.buffer.size());
            a.buffer = r.buffer;
            return a;
        }
        case Op::kWrite:
            a.ok = impl.write(file.c_str(), op.section.c_str(), op.key.c_str(), op.value.c_str());
            break;
        case Op::kDeleteSection:
            a.ok = impl.deleteSection(file.c_str(), op.section.c_str());
            break;
        case Op::kDeleteKey:
            a.ok = impl.deleteKey(file.c_str(), op.section.c_str(), op.key.c_str());
            break;
    }
    a.present = FileExists(file);
    a.text = a.present ? FileBytes(file) : std::string();
    return a;
}

bool FileExists(const std::string& file) {
    std::error_code ec;
    return std::filesystem::is_regular_file(file, ec);
}

std::string FileBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void Prepare(const Case& c, const std::string& file) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
    if (!c.present) return;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(c.content.data(), static_cast<std::streamsize>(c.content.size()));
}

std::string Literal(const std::string& bytes) {
    std::string out = "\"";
    bool lastWasHex = false;
    unsigned char last = 0;
    for (unsigned char ch : bytes) {
        if (ch == '?' && last == '?') {
            out += "\\?";  // no trigraph
            last = ch;
            lastWasHex = false;
            continue;
        }
        last = ch;
        bool hexDigit = (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
        if (lastWasHex && hexDigit) out += "\" \"";
        lastWasHex = false;
        switch (ch) {
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default:
                if (ch < 0x20 || ch >= 0x7F) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", ch);
                    out += hex;
                    lastWasHex = true;
                } else {
                    out += static_cast<char>(ch);
                }
        }
    }
    return out + "\"";
}

}  // namespace profiletest
