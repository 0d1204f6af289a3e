#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "transport/Http.h"
#include "transport/Reply.h"

namespace {

using transport::HeaderList;

struct Owned {
    HeaderList list;
    ~Owned() { transport::DiscardHeaders(list); }
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
            EXPECT_EQ(h.list.count, 0);
            continue;
        }
        ASSERT_EQ(h.list.count, 1);
        EXPECT_STREQ(h.list.items[0].name, c.name);
        EXPECT_STREQ(h.list.items[0].value, c.value);
    }
}

TEST(HeaderLines, ALineIsReadOnlyToItsGivenLength) {
    Owned h;
    const char text[] = "Name: value and more";
    ASSERT_EQ(transport::AddHeaderLine(h.list, text, 9), 0);
    ASSERT_EQ(h.list.count, 1);
    EXPECT_STREQ(h.list.items[0].value, "val");
    ASSERT_EQ(transport::AddHeaderLine(h.list, "Name", 4), 0);   // no colon within the length
    EXPECT_EQ(h.list.count, 1);
}

TEST(HeaderBlock, ZeroTerminatedLinesEndedByAnEmptyOne) {
    const char block[] = "HTTP/1.1 302 Found\0Location:  /next\0Set-Cookie: a=1\0\0Ignored: x\0";
    Owned h;
    ASSERT_EQ(transport::AddHeaderBlock(h.list, block, sizeof block - 1), 0);
    ASSERT_EQ(h.list.count, 2);
    EXPECT_STREQ(h.list.items[0].name, "Location");
    EXPECT_STREQ(h.list.items[0].value, "/next");
    EXPECT_STREQ(h.list.items[1].name, "Set-Cookie");
}

TEST(HeaderBlock, AnUnterminatedLastLineEndsAtTheBlocksSize) {
    const char block[] = {'A', ':', ' ', '1', '\0', 'B', ':', ' ', '2'};
    Owned h;
    ASSERT_EQ(transport::AddHeaderBlock(h.list, block, sizeof block), 0);
    ASSERT_EQ(h.list.count, 2);
    EXPECT_STREQ(h.list.items[1].value, "2");
}

TEST(HeaderBlock, ManyHeadersKeepTheirOrder) {
    Owned h;
    for (int i = 0; i < 5000; ++i) {
        std::string line = "Set-Cookie: c" + std::to_string(i) + "=1";
        ASSERT_EQ(transport::AddHeaderLine(h.list, line.c_str(), line.size()), 0);
    }
    ASSERT_EQ(h.list.count, 5000);
    EXPECT_STREQ(h.list.items[4999].value, "c4999=1");
}

TEST(Body, GrowsPieceByPieceAndEndsWithAZero) {
    transport::BodyBuffer body;
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(transport::AppendBody(body, "xy", i % 3 == 0 ? 1 : 2), 0);
    host::HttpReply* reply = transport::NewReply(200, "OK");
    ASSERT_NE(reply, nullptr);
    size_t expected = body.length;
    transport::AttachBody(reply, body);
    EXPECT_EQ(body.data, nullptr);
    EXPECT_EQ(static_cast<size_t>(reply->bodyLength), expected);
    EXPECT_EQ(reply->body[reply->bodyLength], '\0');
    EXPECT_EQ(std::string(reply->body, 3), "xxy");
    transport::ReleaseReply(reply);
}

TEST(Body, StopsAtTheCap) {
    transport::BodyBuffer body;
    std::string piece(1024 * 1024, 'z');
    int result = 0;
    int pieces = 0;
    while ((result = transport::AppendBody(body, piece.data(), piece.size() - 1)) == transport::kAppendOk) ++pieces;
    EXPECT_EQ(result, transport::kAppendFull);
    EXPECT_EQ(pieces, transport::kMaxBodyBytes / static_cast<int>(piece.size() - 1));
    EXPECT_EQ(body.length, static_cast<size_t>(transport::kMaxBodyBytes));
    EXPECT_LE(body.capacity, static_cast<size_t>(transport::kMaxBodyBytes) + 1);
    EXPECT_EQ(transport::AppendBody(body, "a", 1), transport::kAppendFull);
    EXPECT_EQ(transport::ReserveBody(body, 10), 0u);
    transport::DiscardBody(body);
}

TEST(Body, NothingArrivedGivesNoBody) {
    transport::BodyBuffer body;
    host::HttpReply* reply = transport::NewReply(204, "No Content");
    transport::AttachBody(reply, body);
    EXPECT_EQ(reply->body, nullptr);
    EXPECT_EQ(reply->bodyLength, 0);
    transport::ReleaseReply(reply);
}

TEST(NewReply, RecordShapeAndStatusText) {
    struct Case {
        const char* given;
        const char* kept;
    };
    for (const Case& c : {Case{"Found", "Found"}, Case{"", "unknown error"}, Case{nullptr, "unknown error"}}) {
        host::HttpReply* reply = transport::NewReply(302, c.given);
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
