// Runs the operations of a case against one implementation and collects
// what it answered.
#pragma once

#include "ProfileCases.h"

#include <string>

namespace profiletest {

struct Implementation {
    const char* name;
    size_t (*read)(const char* file, const char* section, const char* key, char* buffer, size_t size);
    bool (*write)(const char* file, const char* section, const char* key, const char* value);
    bool (*deleteSection)(const char* file, const char* section);
    bool (*deleteKey)(const char* file, const char* section, const char* key);
};

const Implementation& Portable();
// The portable reader answering from a snapshot of the file.
const Implementation& PortableSnapshot();
#ifdef _WIN32
// The system's functions, with its cache of the file dropped after each call.
const Implementation& System();
#endif

constexpr unsigned char kSentinel = 0xA5;
constexpr size_t kSlack = 8;

// A read into a buffer of size + kSlack bytes filled with kSentinel; gives
// the count and the whole buffer.
struct ReadAnswer {
    size_t count;
    std::string buffer;
};
ReadAnswer ReadWithSentinel(const Implementation& impl, const std::string& file, const Op& op, size_t size);
// The buffer a read of `text` into `size` bytes must leave.
std::string ExpectedBuffer(const std::string& text, size_t size);

struct Answer {
    std::string text;      // read: the text; else the file afterwards
    bool present = true;
    bool ok = true;
    std::string buffer;    // read: the whole sentinel buffer
};
Answer Perform(const Implementation& impl, const std::string& file, const Op& op);

// Sets up the case's file at `file` (creating or removing it).
void Prepare(const Case& c, const std::string& file);
bool FileExists(const std::string& file);
std::string FileBytes(const std::string& file);

// A C++ literal of any bytes, for messages and recording.
std::string Literal(const std::string& bytes);

}  // namespace profiletest
