// The corpus shared by the table test and the differential test: each case
// is a file (or none) and a list of operations with the answers the
// system's own functions gave (recorded under Wine).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace profiletest {

struct Op {
    enum Kind { kRead, kWrite, kDeleteSection, kDeleteKey };
    Kind kind;
    std::string section;
    std::string key;
    std::string value;    // kWrite: the value written
    size_t size = 0;      // kRead: the buffer size
    std::string expect;   // kRead: the text read; otherwise the file afterwards
    bool present = true;  // the file exists afterwards
    bool ok = true;       // what a write or delete gave
};

struct Case {
    const char* name;
    bool present;         // whether the file exists at the start
    std::string content;
    std::vector<Op> ops;
    const char* fileName = "test.ini";  // relative to the case's folder
};

const std::vector<Case>& Cases();

}  // namespace profiletest
