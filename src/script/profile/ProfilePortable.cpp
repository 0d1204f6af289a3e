// The portable section-and-key reader and writer. Every call reads the file
// afresh unless the calling thread holds a snapshot of it, and a call that
// changes something writes the whole file back from its parsed form, as the
// system's implementation does.
#include "script/profile/Profile.h"
#include "script/profile/ProfileDocument.h"
#include "script/profile/ProfileEncoding.h"
#include "script/profile/ProfileFile.h"
#include "script/profile/ProfileIndex.h"
#include "shell/FileReplace.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace profile {
namespace portable {

namespace {

using encoding::Kind;

using profile::file::LoadResult;
using Loaded = profile::file::Parsed;

#ifdef _WIN32
// While another process replaces the file, Windows refuses to open it for a
// moment (a sharing violation, EACCES here): the open is tried again.
constexpr int kOpenTries = 200;
constexpr auto kOpenPause = std::chrono::milliseconds(5);
#else
constexpr int kOpenTries = 1;
constexpr auto kOpenPause = std::chrono::milliseconds(0);
#endif

LoadResult LoadBytes(const char* file, std::string& bytes) {
    bytes.clear();
    std::FILE* f = nullptr;
    for (int attempt = 0; !f && attempt < kOpenTries; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(kOpenPause);
        errno = 0;
        f = std::fopen(file, "rb");
        if (!f && errno != EACCES) break;
    }
    if (!f) return errno == ENOENT ? LoadResult::Missing : LoadResult::Failed;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, got);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    return failed ? LoadResult::Failed : LoadResult::Loaded;
}

std::string Serialized(const Loaded& doc) {
    if (doc.kind == Kind::Ansi) return document::Serialize(doc.ansi);
    return encoding::Encode(document::Serialize(doc.wide), doc.kind);
}

// The whole file is replaced at once, so a crash or a full disk mid-write
// never leaves half a file; a folder that takes no new files may still let
// the file itself be written, and then it is written in place. (On Windows
// the plug-in writes single keys through the system's functions; this
// writer serves the tests that compare the two.)
bool Save(const char* file, const Loaded& doc) {
    return files::ReplaceWhole(file, Serialized(doc), files::InPlace::kFallback);
}

// A parsed file held for reads on one thread; `loaded` is false when the
// file was missing or unreadable when the snapshot was taken. An ANSI file
// also gets an index with the reader's rules: the first section of a name
// is the only one searched, and in it the first key of a name wins.
struct SnapshotState {
    std::string file;
    bool valid = true;
    bool loaded = false;
    Loaded doc;
    document::KeyIndex index;

    void BuildIndex() {
        if (loaded && doc.kind == Kind::Ansi) index.Build(doc.ansi);
    }
};

thread_local std::vector<SnapshotState*> t_snapshots;

SnapshotState* FindSnapshot(const char* file) {
    for (auto it = t_snapshots.rbegin(); it != t_snapshots.rend(); ++it) {
        if ((*it)->valid && (*it)->file == file) return *it;
    }
    return nullptr;
}

// Our own writes make the thread's snapshots of that file stale.
void Invalidate(const char* file) {
    for (SnapshotState* s : t_snapshots) {
        if (s->file == file) s->valid = false;
    }
}

// Runs `change` on whichever form the file has and writes the file back
// when it changed. A missing file counts as empty.
template <class Change>
bool Modify(const char* file, Change change) {
    Invalidate(file);
    Loaded doc;
    if (profile::file::Load(file, doc) == LoadResult::Failed) return false;
    bool changed = doc.kind == Kind::Ansi ? change(doc.ansi, [](const char* t) { return std::string(t); })
                                          : change(doc.wide, [](const char* t) { return encoding::FromAnsi(t); });
    return changed ? Save(file, doc) : true;
}

}  // namespace

size_t Read(const char* file, const char* section, const char* key, char* buffer, size_t size) {
    if (!buffer || size == 0) return 0;
    buffer[0] = '\0';
    if (!file || !*file || !section || !key) return 0;
    Loaded own;
    const Loaded* found = nullptr;
    if (SnapshotState* snapshot = FindSnapshot(file)) {
        if (!snapshot->loaded) return 0;
        if (snapshot->doc.kind == Kind::Ansi) {
            const document::Key<char>* entry = snapshot->index.Find(section, key);
            if (!entry || !entry->hasValue) return 0;
            size_t offset = 0, count = 0;
            document::CutForBuffer(entry->value, size, &offset, &count);
            std::memcpy(buffer, entry->value.data() + offset, count);
            buffer[count] = '\0';
            return count;
        }
        found = &snapshot->doc;
    } else {
        if (profile::file::Load(file, own) != LoadResult::Loaded) return 0;
        found = &own;
    }
    return profile::file::Value(*found, section, key, buffer, size);
}

bool Write(const char* file, const char* section, const char* key, const char* value) {
    if (!file || !*file || !section || !key || !value) return false;
    return Modify(file, [&](auto& doc, auto convert) {
        return document::SetValue(doc, convert(section), convert(key), convert(value));
    });
}

bool DeleteSection(const char* file, const char* section) {
    if (!file || !*file || !section) return false;
    return Modify(file, [&](auto& doc, auto convert) { return document::RemoveSection(doc, convert(section)); });
}

bool DeleteKey(const char* file, const char* section, const char* key) {
    if (!file || !*file || !section || !key) return false;
    return Modify(file,
                  [&](auto& doc, auto convert) { return document::RemoveKey(doc, convert(section), convert(key)); });
}

void* TakeSnapshot(const char* file) {
    // A snapshot of the same file already held by this thread serves.
    if (!file || !*file || FindSnapshot(file)) return nullptr;
    auto state = std::make_unique<SnapshotState>();
    state->file = file;
    state->loaded = profile::file::Load(file, state->doc) == LoadResult::Loaded;
    state->BuildIndex();
    t_snapshots.push_back(state.get());
    return state.release();
}

void DropSnapshot(void* snapshot) {
    auto* state = static_cast<SnapshotState*>(snapshot);
    if (!state) return;
    t_snapshots.erase(std::remove(t_snapshots.begin(), t_snapshots.end(), state), t_snapshots.end());
    delete state;
}

}  // namespace portable

namespace file {

LoadResult Load(const char* path, Parsed& out) {
    std::string bytes;
    LoadResult result = portable::LoadBytes(path, bytes);
    if (result == LoadResult::Failed) return result;
    size_t mark = 0;
    out.kind = encoding::Detect(bytes.data(), bytes.size(), &mark);
    if (out.kind == encoding::Kind::Ansi) {
        out.ansi = document::Parse(bytes.data(), bytes.size());
    } else {
        std::u16string units = encoding::Decode(bytes.data() + mark, bytes.size() - mark, out.kind);
        out.wide = document::Parse(units.data(), units.size());
    }
    return result;
}

size_t Value(const Parsed& doc, const char* section, const char* key, char* buffer, size_t size) {
    if (!buffer || size == 0) return 0;
    size_t offset = 0, count = 0;
    if (doc.kind == encoding::Kind::Ansi) {
        std::string value = document::Lookup(doc.ansi, std::string(section), std::string(key));
        document::CutForBuffer(value, size, &offset, &count);
        std::memcpy(buffer, value.data() + offset, count);
    } else {
        std::u16string value = document::Lookup(doc.wide, encoding::FromAnsi(section), encoding::FromAnsi(key));
        document::CutForBuffer(value, size, &offset, &count);
        for (size_t i = 0; i < count; ++i) buffer[i] = encoding::ToAnsi(value[offset + i]);
    }
    buffer[count] = '\0';
    return count;
}

std::string Value(const Parsed& doc, const char* section, const char* key, size_t size) {
    if (size == 0) return std::string();
    std::string out(size, '\0');
    out.resize(Value(doc, section, key, &out[0], size));
    return out;
}

bool Replace(const char* path, const Parsed& doc) {
    if (!path || !*path) return false;
    portable::Invalidate(path);
    return files::ReplaceWhole(path, portable::Serialized(doc), files::InPlace::kNever);
}

}  // namespace file
}  // namespace profile
