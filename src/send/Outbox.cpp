#include "send/Outbox.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "catalogue/FileLock.h"
#include "shell/FileReplace.h"
#include "shell/Log.h"
#include "shell/Notice.h"
#include "shell/Text.h"

namespace outbox {
namespace {

constexpr const char* kMagic = "parlet-outbox";
constexpr size_t kMaxFileSize = 16u << 20;  // far beyond any real outbox; a bigger file is not one
constexpr size_t kMaxText = 64u << 10;      // a field longer than this is garbage
constexpr int kMaxAsideNames = 1000;
constexpr size_t kNoticeSize = 2048;

const char* const kStateWords[] = {"queued", "sending", "unknown", "given-up"};

// Threads of this process take turns; the lock file orders the processes.
std::mutex g_fileMutex;

// A blank, then the text in double quotes.
void Quote(std::string& out, const std::string& text) {
    out += ' ';
    text::AppendQuoted(out, text);
}

// Reads the words of one line: plain words and quoted texts, one blank apart.
class LineReader {
public:
    explicit LineReader(const std::string& line) : line_(line) {}

    bool Word(std::string* word) {
        if (!Separator()) return false;
        size_t end = line_.find(' ', pos_);
        if (end == std::string::npos) end = line_.size();
        if (end == pos_) return false;
        *word = line_.substr(pos_, end - pos_);
        pos_ = end;
        return true;
    }
    template <class T>
    bool Number(T* value) {
        std::string word;
        if (!Word(&word) || word.size() > 20) return false;
        unsigned long long n = 0;
        for (char c : word) {
            if (c < '0' || c > '9') return false;
            n = n * 10 + static_cast<unsigned>(c - '0');
        }
        if (n > static_cast<unsigned long long>(static_cast<T>(-1))) return false;
        *value = static_cast<T>(n);
        return true;
    }
    bool Text(std::string* text) {
        if (!Separator()) return false;
        const char* p = line_.data() + pos_;
        if (!text::ReadQuoted(&p, line_.data() + line_.size(), text)) return false;
        pos_ = static_cast<size_t>(p - line_.data());
        return text->size() <= kMaxText;
    }
    bool AtEnd() const { return pos_ == line_.size(); }

private:
    bool Separator() {
        if (pos_ == 0 && !started_) {
            started_ = true;
            return true;
        }
        if (pos_ >= line_.size() || line_[pos_] != ' ') return false;
        ++pos_;
        return true;
    }
    const std::string& line_;
    size_t pos_ = 0;
    bool started_ = false;
};

bool ParseState(const std::string& word, State* state) {
    for (size_t i = 0; i < sizeof kStateWords / sizeof kStateWords[0]; ++i) {
        if (word == kStateWords[i]) {
            *state = static_cast<State>(i);
            return true;
        }
    }
    return false;
}

bool ParseMessage(const std::string& line, Message* m) {
    LineReader r(line);
    std::string word, state;
    return r.Word(&word) && word == "message" && r.Number(&m->id) && m->id != 0 && r.Word(&state) &&
           ParseState(state, &m->state) && r.Number(&m->queued) && r.Number(&m->tries) && r.Number(&m->nextTry) &&
           r.Number(&m->replyContact) && r.Number(&m->contact) && r.Text(&m->prefix) && r.Text(&m->number) &&
           r.Text(&m->charset) && r.Text(&m->text) && r.AtEnd();
}

// The header's version: false when the line is no header at all.
bool ParseHeader(const std::string& line, unsigned* version) {
    LineReader r(line);
    std::string word;
    return r.Word(&word) && word == kMagic && r.Number(version) && r.AtEnd();
}

bool ParseNextId(const std::string& line, uint32_t* next) {
    LineReader r(line);
    std::string word;
    return r.Word(&word) && word == "next-id" && r.Number(next) && *next != 0 && r.AtEnd();
}

// Splits at LF, taking off one CR before it; the last line has no LF.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// "line N: " and the reason (printf-style).
__attribute__((format(printf, 3, 4))) bool Fail(std::string* error, size_t line, const char* reason, ...) {
    char text[160];
    int used = std::snprintf(text, sizeof text, "line %u: ", static_cast<unsigned>(line));
    va_list args;
    va_start(args, reason);
    std::vsnprintf(text + used, sizeof text - static_cast<size_t>(used), reason, args);
    va_end(args);
    if (error) *error = text;
    return false;
}

enum class Loaded { kAbsent, kRead, kUnreadable };

Loaded ReadBytes(const std::string& path, std::string* bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return Loaded::kAbsent;
    bytes->clear();
    char buffer[8192];
    size_t n;
    bool tooBig = false;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (bytes->size() + n > kMaxFileSize) {
            tooBig = true;
            break;
        }
        bytes->append(buffer, n);
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed || tooBig ? Loaded::kUnreadable : Loaded::kRead;
}

bool Exists(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file) std::fclose(file);
    return file != nullptr;
}

// Moves a broken outbox out of the way under a name no file has, and tells
// the user; the messages in it are never overwritten.
void SetAside(const std::string& path, const std::string& reason) {
    std::string aside;
    for (int n = 1; n <= kMaxAsideNames && aside.empty(); ++n) {
        std::string name = path + ".broken" + (n == 1 ? std::string() : "-" + std::to_string(n));
        if (!Exists(name)) aside = name;
    }
    if (!aside.empty() && std::rename(path.c_str(), aside.c_str()) == 0)
        Tell(" - ERROR: ", "The outbox file %s cannot be read (%s). It was kept as %s; the outbox starts empty.",
             path.c_str(), reason.c_str(), aside.c_str());
    else
        Tell(" - ERROR: ",
             "The outbox file %s cannot be read (%s). It could not be moved aside; no message is kept until it is "
             "removed.",
             path.c_str(), reason.c_str());
}

// Under both locks. false when the file is there but could not be set aside
// (then it must not be replaced).
bool ReadLocked(const std::string& path, Contents* contents) {
    *contents = Contents{};
    std::string bytes, error;
    switch (ReadBytes(path, &bytes)) {
    case Loaded::kAbsent: return true;
    case Loaded::kUnreadable: error = "it is too large or cannot be read"; break;
    case Loaded::kRead:
        if (Parse(bytes, contents, &error)) return true;
        break;
    }
    *contents = Contents{};
    SetAside(path, error);
    return !Exists(path);
}

}  // namespace

Message* Contents::Find(uint32_t id) {
    for (Message& m : messages)
        if (m.id == id) return &m;
    return nullptr;
}

uint32_t Contents::Add(Message message) {
    message.id = nextId++;
    if (nextId == 0) nextId = 1;
    messages.push_back(std::move(message));
    return messages.back().id;
}

bool Contents::Remove(uint32_t id) {
    for (auto it = messages.begin(); it != messages.end(); ++it) {
        if (it->id == id) {
            messages.erase(it);
            return true;
        }
    }
    return false;
}

const char* StateWord(State state) { return kStateWords[static_cast<int>(state)]; }

void Tell(const char* logHead, const char* format, ...) {
    char text[kNoticeSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    WriteLog("%s%s\n", logHead, text);
    ShowNotice(text);
}

std::string Format(const Contents& contents) {
    char line[160];
    std::snprintf(line, sizeof line, "%s %u\nnext-id %lu\n", kMagic, kFormatVersion,
                  static_cast<unsigned long>(contents.nextId));
    std::string out = line;
    for (const Message& m : contents.messages) {
        std::snprintf(line, sizeof line, "message %lu %s %lu %lu %lu %llu %llu", static_cast<unsigned long>(m.id),
                      StateWord(m.state), static_cast<unsigned long>(m.queued), static_cast<unsigned long>(m.tries),
                      static_cast<unsigned long>(m.nextTry), static_cast<unsigned long long>(m.replyContact),
                      static_cast<unsigned long long>(m.contact));
        out += line;
        for (const std::string* text : {&m.prefix, &m.number, &m.charset, &m.text}) Quote(out, *text);
        out += '\n';
    }
    out += "end\n";
    return out;
}

bool Parse(const std::string& text, Contents* contents, std::string* error) {
    try {
        std::vector<std::string> lines = Lines(text);
        unsigned version = 0;
        if (!ParseHeader(lines[0], &version)) return Fail(error, 1, "not an outbox file");
        if (version > kFormatVersion) return Fail(error, 1, "written by a newer version (outbox format %u)", version);
        if (version != kFormatVersion) return Fail(error, 1, "unknown outbox format %u", version);
        Contents read;
        if (lines.size() < 2 || !ParseNextId(lines[1], &read.nextId)) return Fail(error, 2, "no next id");
        size_t n = 2;
        // The text's last "line" is what follows its last line break: empty in a whole file.
        const size_t last = lines.back().empty() ? lines.size() - 1 : lines.size();
        for (; n < last && lines[n] != "end"; ++n) {
            Message m;
            if (!ParseMessage(lines[n], &m)) return Fail(error, n + 1, "not a message");
            if (read.Find(m.id) || m.id >= read.nextId)
                return Fail(error, n + 1, "a message id twice, or past the next id");
            read.messages.push_back(std::move(m));
        }
        if (n == last) return Fail(error, n, "the file ends before \"end\": it was cut off");
        if (n + 1 < last) return Fail(error, n + 2, "text after \"end\"");
        *contents = std::move(read);
        return true;
    } catch (const std::bad_alloc&) {
        return Fail(error, 0, "out of memory");
    }
}

Contents OutboxFile::Read() const {
    // Where nothing was ever kept, no lock file is made either. (A file
    // being replaced may be missing for a moment to a reader without the
    // lock, on Windows; its lock file is there.)
    if (!Exists(path_) && !Exists(path_ + ".lock")) return Contents{};
    std::lock_guard<std::mutex> threads(g_fileMutex);
    FileLock processes(path_ + ".lock");
    Contents contents;
    ReadLocked(path_, &contents);
    return contents;
}

bool OutboxFile::ChangeWith(Changer changer, void* change) const {
    std::lock_guard<std::mutex> threads(g_fileMutex);
    FileLock processes(path_ + ".lock");
    if (!processes.held()) return false;
    Contents contents;
    if (!ReadLocked(path_, &contents)) return false;
    if (!changer(contents, change)) return true;
    files::RemoveLeftovers(path_);  // of writers killed mid-write
    return files::ReplaceWhole(path_, Format(contents), files::InPlace::kNever);
}

}  // namespace outbox
