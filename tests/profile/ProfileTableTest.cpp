// The corpus against the recorded answers (both platforms) and, under
// Windows or Wine, the portable implementation against the system's own.
#include "ProfileRunner.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

namespace profiletest {
namespace {

std::string CaseFile(const testutil::TempDir& dir, const Case& c, const char* impl) {
    std::filesystem::path folder = dir.path() / impl / c.name;
    std::filesystem::create_directories(folder);
    return (folder / c.fileName).string();
}

std::string Where(const Case& c, size_t index, const Op& op) {
    static const char* const kinds[] = {"read", "write", "delete section", "delete key"};
    return std::string(c.name) + " op " + std::to_string(index) + " (" + kinds[op.kind] + " [" + op.section + "] " +
           op.key + ")";
}

void CheckAgainstRecord(const Implementation& impl) {
    testutil::TempDir dir;
    for (const Case& c : Cases()) {
        const std::string file = CaseFile(dir, c, impl.name);
        Prepare(c, file);
        for (size_t i = 0; i < c.ops.size(); ++i) {
            const Op& op = c.ops[i];
            SCOPED_TRACE(Where(c, i, op));
            Answer a = Perform(impl, file, op);
            if (op.kind == Op::kRead) {
                EXPECT_EQ(Literal(a.text), Literal(op.expect));
                EXPECT_EQ(Literal(a.buffer), Literal(ExpectedBuffer(op.expect, op.size)));
            } else {
                EXPECT_EQ(a.ok, op.ok);
                EXPECT_EQ(a.present, op.present);
                EXPECT_EQ(Literal(a.text), Literal(op.expect));
            }
        }
    }
}

TEST(ProfileTable, PortableGivesTheRecordedAnswers) { CheckAgainstRecord(Portable()); }
TEST(ProfileTable, SnapshotReadsGiveTheRecordedAnswers) { CheckAgainstRecord(PortableSnapshot()); }

#ifdef _WIN32

TEST(ProfileDifferential, SystemGivesTheRecordedAnswers) {
    ASSERT_GE(Cases().size(), 40u);
    CheckAgainstRecord(System());
}

// Buffer sizes around the answer: none, one byte, too small, exact fit and
// more, plus the size the case names.
std::set<size_t> SizesAround(size_t length, size_t named) {
    std::set<size_t> sizes = {named, 2048};
    for (size_t s = 0; s <= std::min<size_t>(length + 3, 40); ++s) sizes.insert(s);
    for (size_t s = length > 2 ? length - 2 : 0; s <= length + 3; ++s) sizes.insert(s);
    return sizes;
}

TEST(ProfileDifferential, PortableAndSystemAgreeOnEveryOperationAndBufferSize) {
    testutil::TempDir dir;
    size_t reads = 0, changes = 0;
    for (const Case& c : Cases()) {
        const std::string sysFile = CaseFile(dir, c, "system");
        const std::string ourFile = CaseFile(dir, c, "portable");
        Prepare(c, sysFile);
        Prepare(c, ourFile);
        for (size_t i = 0; i < c.ops.size(); ++i) {
            const Op& op = c.ops[i];
            SCOPED_TRACE(Where(c, i, op));
            if (op.kind == Op::kRead) {
                ReadAnswer full = ReadWithSentinel(System(), sysFile, op, 4096);
                for (size_t size : SizesAround(full.count, op.size)) {
                    SCOPED_TRACE("buffer size " + std::to_string(size));
                    ReadAnswer sys = ReadWithSentinel(System(), sysFile, op, size);
                    ReadAnswer our = ReadWithSentinel(Portable(), ourFile, op, size);
                    EXPECT_EQ(our.count, sys.count);
                    EXPECT_EQ(Literal(our.buffer), Literal(sys.buffer));
                    ++reads;
                }
            } else {
                Answer sys = Perform(System(), sysFile, op);
                Answer our = Perform(Portable(), ourFile, op);
                EXPECT_EQ(our.ok, sys.ok);
                EXPECT_EQ(our.present, sys.present);
                EXPECT_EQ(Literal(our.text), Literal(sys.text));
                ++changes;
            }
        }
    }
    std::printf("differential: %zu cases, %zu reads compared, %zu writes and deletes compared\n", Cases().size(),
                reads, changes);
}

// With PARLET_PROFILE_RECORD naming a file, writes the corpus out again with
// the system's answers in place of the recorded ones.
// Texts with a NUL need the string suffix to keep their length.
std::string Text(const std::string& bytes) {
    return Literal(bytes) + (bytes.find('\0') != std::string::npos ? "s" : "");
}

TEST(ProfileRecord, RecordSystemAnswers) {
    const char* target = std::getenv("PARLET_PROFILE_RECORD");
    if (!target || !*target) GTEST_SKIP() << "PARLET_PROFILE_RECORD not set";
    testutil::TempDir dir;
    std::ofstream out(target, std::ios::binary);
    for (const Case& c : Cases()) {
        const std::string file = CaseFile(dir, c, "record");
        Prepare(c, file);
        out << "        {" << Literal(c.name) << ", " << (c.present ? "true" : "false") << ", " << Literal(c.content)
            << "s, {\n";
        for (const Op& op : c.ops) {
            Answer a = Perform(System(), file, op);
            out << "            ";
            switch (op.kind) {
                case Op::kRead:
                    out << "R(" << Literal(op.section) << ", " << Literal(op.key) << ", " << op.size << ", "
                        << Text(a.text) << "),\n";
                    continue;
                case Op::kWrite:
                    out << "W(" << Literal(op.section) << ", " << Literal(op.key) << ", " << Literal(op.value);
                    break;
                case Op::kDeleteSection:
                    out << "DS(" << Literal(op.section);
                    break;
                case Op::kDeleteKey:
                    out << "DK(" << Literal(op.section) << ", " << Literal(op.key);
                    break;
            }
            out << ", " << Text(a.text);
            if (!a.present || !a.ok) out << ", " << (a.present ? "true" : "false") << ", " << (a.ok ? "true" : "false");
            out << "),\n";
        }
        out << "        }";
        if (std::string(c.fileName) != "test.ini") out << ", " << Literal(c.fileName);
        out << "},\n";
    }
}

#endif

}  // namespace
}  // namespace profiletest
