// The outbox: messages that every gateway refused, kept in a file until a
// later try sends them. The file is replaced whole on every change (never
// written in place) under a lock between processes, so a kill at any moment
// leaves the old outbox or the new one, and a message marked as being sent
// is on the disk before its send starts.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace outbox {

enum class State {
    kQueued,   // waits for its next try
    kSending,  // a try is under way (marked before it starts)
    kUnknown,  // found being sent at start-up: it may or may not have gone out; the user decides
    kGivenUp,  // "QueueMaxTries" tries failed; kept until the user retries or deletes it
};

struct Message {
    uint32_t id = 0;
    State state = State::kQueued;
    std::string prefix;
    std::string number;
    std::string text;            // as it goes out, in `charset`: what is still to be sent
    std::string charset;         // "": the default one (the ANSI code page in the plug-in)
    uintptr_t replyContact = 0;  // the contact a forward answers when it goes out; 0: none
    uintptr_t contact = 0;       // whose history it goes into; 0: none
    uint32_t queued = 0;         // when it was kept, seconds since 1970
    uint32_t tries = 0;          // sends tried, the first one included
    uint32_t nextTry = 0;        // when the next try is due
};

struct Contents {
    uint32_t nextId = 1;
    std::vector<Message> messages;

    Message* Find(uint32_t id);
    // Adds the message under a new id and gives the id.
    uint32_t Add(Message message);
    bool Remove(uint32_t id);
};

// The file's text: a header with the format's version, the next id, one
// line per message, "end".
constexpr unsigned kFormatVersion = 1;
std::string Format(const Contents& contents);
// false, with the reason in *error ("line N: ..."), when the text is not a
// whole outbox of this version: truncated, garbled, or from a newer version.
bool Parse(const std::string& text, Contents* contents, std::string* error);

// Tells the user of a problem with the outbox: a notice, and the same text
// in the log after `logHead` (" - ERROR: ", say). printf-style.
void Tell(const char* logHead, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// The words the file and the command line use for a state.
const char* StateWord(State state);

// One outbox file. Every read and change takes the file's lock ("<file>.lock")
// and a lock of this process, so writers in several threads and processes
// take turns.
class OutboxFile {
public:
    explicit OutboxFile(std::string path) : path_(std::move(path)) {}
    const std::string& path() const { return path_; }

    // The messages; none when the file is absent. A file that is not a sound
    // outbox is moved aside ("<file>.broken", never over another file), the
    // user is told (notice and log) and the outbox starts empty.
    Contents Read() const;
    // Reads, lets `change` (a callable taking Contents&) work on the
    // messages and, when it gives true, replaces the file whole. false when
    // the file could not be locked or written: it is then as it was.
    template <class F>
    bool Change(F&& change) const {
        return ChangeWith(&Call<F>, &change);
    }

private:
    using Changer = bool (*)(Contents& contents, void* change);
    template <class F>
    static bool Call(Contents& contents, void* change) {
        return (*static_cast<std::remove_reference_t<F>*>(change))(contents);
    }
    bool ChangeWith(Changer changer, void* change) const;

    std::string path_;
};

}  // namespace outbox
