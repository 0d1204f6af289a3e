#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "transport/Http.h"
#include "transport/Reply.h"

namespace {

using transport::HeaderList;

struct Owned {
    HeaderList list;
};

TEST(HeaderLines, NameBeforeTheFirstColonValueWithoutLeadingBlanks) {
    struct Case {
        const char* line;
        const char* name;      // null: skipped
        const char* value;
    };
    const Case cases[] = {
        {"Location:  http://gw/x", "Location", "http://gw/x"},
        {"Location:\t \thttp://gw/x", "Location", "http://gw/x"},
        {"Set-Cookie: a=1; path=/\r\n", "Set-Cookie", "a=1; path=/"},
        {"X-Time: 12:30:00", "X-Time", "12:30:00"},
        {"Empty:", "Empty", ""},
        {"Blank:   ", "Blank", ""},
        {": no name", "", "no name"},
        {"HTTP/1.1 200 OK", nullptr, nullptr},
        {"", nullptr, nullptr},
        {"\r\n", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Owned h;
        ASSERT_EQ(transport::AddHeaderLine(h.list, c.line, std::strlen(c.line)), 0);
        if (!c.name) {
            EXPECT_TRUE(h.list.items.empty());
            continue;
        }
        ASSERT_EQ(h.list.items.size(), 1u);
        EXPECT_EQ(h.list.items[0].name, c.name);
        EXPECT_EQ(h.list.items[0].value, c.value);
    }
}

TEST(HeaderLines, ALineIsReadOnlyToItsGivenLength) {
    Owned h;
    const char text[] = "Name: value and more";
    ASSERT_EQ(transport::AddHeaderLine(h.list, text, 9), 0);
    ASSERT_EQ(h.list.items.size(), 1u);
    EXPECT_EQ(h.list.items[0].value, "val");
    ASSERT_EQ(transport::AddHeaderLine(h.list, "Name", 4), 0);   // no colon within the length
    EXPECT_EQ(h.list.items.size(), 1u);
}

TEST(HeaderBlock, ZeroTerminatedLinesEndedByAnEmptyOne) {
    const char block[] = "HTTP/1.1 302 Found\0Location:  /next\0Set-Cookie: a=1\0\0Ignored: x\0";
    Owned h;
    ASSERT_EQ(transport::AddHeaderBlock(h.list, block, sizeof block - 1), 0);
    ASSERT_EQ(h.list.items.size(), 2u);
    EXPECT_EQ(h.list.items[0].name, "Location");
    EXPECT_EQ(h.list.items[0].value, "/next");
    EXPECT_EQ(h.list.items[1].name, "Set-Cookie");
}

TEST(HeaderBlock, AnUnterminatedLastLineEndsAtTheBlocksSize) {
    const char block[] = {'A', ':', ' ', '1', '\0', 'B', ':', ' ', '2'};
    Owned h;
    ASSERT_EQ(transport::AddHeaderBlock(h.list, block, sizeof block), 0);
    ASSERT_EQ(h.list.items.size(), 2u);
    EXPECT_EQ(h.list.items[1].value, "2");
}

TEST(HeaderBlock, ManyHeadersKeepTheirOrder) {
    Owned h;
    for (int i = 0; i < 5000; ++i) {
        std::string line = "Set-Cookie: c" + std::to_string(i) + "=1";
        ASSERT_EQ(transport::AddHeaderLine(h.list, line.c_str(), line.size()), 0);
    }
    ASSERT_EQ(h.list.items.size(), 5000u);
    EXPECT_EQ(h.list.items[4999].value, "c4999=1");
}

TEST(Body, GrowsPieceByPieceAndTheRecordEndsItWithAZero) {
    std::string body;
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(transport::AppendBody(body, "xy", i % 3 == 0 ? 1 : 2), 0);
    HeaderList headers;
    ASSERT_EQ(transport::AddHeaderLine(headers, "Location: /x", 12), 0);
    host::HttpReply* reply = transport::MakeReply(200, "OK", body, headers);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(static_cast<size_t>(reply->bodyLength), body.size());
    EXPECT_EQ(reply->body[reply->bodyLength], '\0');
    EXPECT_EQ(std::string(reply->body, 3), "xxy");
    ASSERT_EQ(reply->headerCount, 1);
    EXPECT_STREQ(reply->headers[0].name, "Location");
    EXPECT_STREQ(reply->headers[0].value, "/x");
    transport::ReleaseReply(reply);
}

TEST(Body, StopsAtTheCap) {
    std::string body;
    std::string piece(1024 * 1024, 'z');
    int result = 0;
    int pieces = 0;
    while ((result = transport::AppendBody(body, piece.data(), piece.size() - 1)) == transport::kAppendOk) ++pieces;
    EXPECT_EQ(result, transport::kAppendFull);
    EXPECT_EQ(pieces, transport::kMaxBodyBytes / static_cast<int>(piece.size() - 1));
    EXPECT_EQ(body.size(), static_cast<size_t>(transport::kMaxBodyBytes));
    EXPECT_LE(body.capacity(), static_cast<size_t>(transport::kMaxBodyBytes) + 16);
    EXPECT_EQ(transport::AppendBody(body, "a", 1), transport::kAppendFull);
}

TEST(Body, NothingArrivedGivesNoBody) {
    host::HttpReply* reply = transport::MakeReply(204, "No Content");
    EXPECT_EQ(reply->body, nullptr);
    EXPECT_EQ(reply->bodyLength, 0);
    EXPECT_EQ(reply->headers, nullptr);
    EXPECT_EQ(reply->headerCount, 0);
    transport::ReleaseReply(reply);
}

TEST(NewReply, RecordShapeAndStatusText) {
    struct Case {
        const char* given;
        const char* kept;
    };
    for (const Case& c : {Case{"Found", "Found"}, Case{"", "unknown error"}, Case{nullptr, "unknown error"}}) {
        host::HttpReply* reply = transport::MakeReply(302, c.given);
        ASSERT_NE(reply, nullptr);
        EXPECT_EQ(reply->size, 44);
        EXPECT_EQ(reply->requestType, 0);
        EXPECT_EQ(reply->status, 302);
        EXPECT_STREQ(reply->statusText, c.kept);
        EXPECT_EQ(reply->headers, nullptr);
        EXPECT_EQ(reply->connection, nullptr);
        transport::ReleaseReply(reply);
    }
}

}  // namespace
