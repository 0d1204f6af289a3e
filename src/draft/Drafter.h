// The draft's working state: the chosen steps, the values cut out of pages
// for later requests, and the sections of the file as they are written.
#pragma once

#include <string>
#include <vector>

#include "draft/Draft.h"
#include "draft/Session.h"

namespace draft {

// A key line of the file with its comment lines.
struct Line {
    std::string key, value;
    std::string comment;  // where the value came from
    std::string check;    // the guess to check, "" when the draft is sure
};

struct FileSection {
    std::string name;
    std::vector<Line> lines;
};

// A value cut out of a step's page for later requests: Key%d (the field's
// name) or CustomVar%d (a pattern). Numbered once the file is complete.
struct Extraction {
    bool key = false;
    size_t step = 0;
    std::string text;   // the field's name or the pattern
    std::string value;  // what it cuts from the recorded page
    std::string comment;
    int number = 0;
};

// A field of a query or a form body: decoded, and as it stood.
struct Field {
    std::string name, value;
    std::string rawName, raw;  // encoded
    std::string piece;         // "name=value" as recorded
};

// What a recorded value becomes.
struct Drafted {
    std::string text;    // encoded, with variables; placeholders for custom variables
    std::string origin;  // for the comment
    std::string check;
    bool dropped = false;  // a Key%d appends it
};

enum class Place { kQuery, kBody };

class Drafter {
public:
    Drafter(const har::Document& recording, const Given& given, const Session& session);
    // False, with `error`, for a body no gateway file can carry.
    bool Build(std::string* error);
    Draft Result() const;

private:
    size_t EntryIndex(size_t step) const { return session_.steps[step].entry; }
    size_t PageIndex(size_t step) const { return session_.steps[step].page; }
    const har::Entry& EntryOf(size_t step) const { return recording_.entries[EntryIndex(step)]; }
    const std::string& PageOf(size_t step) const;

    // Fields.cpp
    void FindAccount();
    Drafted DraftValue(size_t step, const Field& field, Place place, bool prefixApart);
    bool NumberValue(const Field& field, bool prefixApart, Drafted* out) const;
    bool AccountValue(const Field& field, Drafted* out) const;
    bool PageValue(size_t step, const Field& field, Place place, Drafted* out);
    bool CookieValue(size_t step, const Field& field, Drafted* out) const;
    bool KeyAllowed(size_t page, const Field& field) const;
    size_t Extract(bool key, size_t step, const std::string& text, const std::string& value,
                   const std::string& comment);
    // The fields drafted and joined; `origins` gathers "name: origin".
    std::string DraftFields(size_t step, const std::vector<Field>& fields, Place place, std::string* origins,
                            std::string* check, std::vector<std::pair<Field, bool>>* kept = nullptr);
    std::string DraftAddress(size_t step, const std::string& url, std::string* check);
    std::string DraftOtherBody(size_t step, const har::PostData& body, std::string* check) const;

    // Draft.cpp
    bool DraftRequest(size_t step, std::string* error);
    void DraftGatewaySection();
    void NumberExtractions();
    void CheckAppendedKeys();
    std::string Placeheld(const std::string& text) const;

    const har::Document& recording_;
    const Given& given_;
    const Session& session_;
    std::string user_, password_;  // as given, or as guessed from the form
    std::string userFrom_, passwordFrom_;
    std::string messageUtf8In_;  // the entry whose form or address carried a non-ASCII message as UTF-8
    std::vector<Extraction> extractions_;
    FileSection gateway_;
    std::vector<FileSection> requests_;  // one per step
    // Per step: the form fields of its body and whether a Key%d appends each.
    std::vector<std::vector<std::pair<Field, bool>>> bodies_;
};

// "\x01" n "\x02" stands for custom variable n (counted from 0) until the
// file is numbered.
std::string Placeholder(size_t extraction);
// "\x03" n "\x04" stands for Key n (counted from 0) in comments.
std::string KeyPlaceholder(size_t extraction);
// Recorded texts go into comments on one line.
std::string OneLine(const std::string& text);
// The fields of "a=1&b=x+y" with their encoded texts.
std::vector<Field> SplitFields(const std::string& text);
// What survives form encoding unchanged: a value that can go into a body
// as it is.
bool FormSafe(const std::string& value);

}  // namespace draft
