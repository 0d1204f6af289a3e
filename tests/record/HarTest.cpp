// The HAR model: what it writes reads back byte for byte, and a file that is
// no recording is refused with one line naming the entry and the field.
#include <gtest/gtest.h>

#include <string>

#include "record/Har.h"
#include "record/Text.h"

namespace {

har::Document Sample() {
    har::Document d;
    d.creatorVersion = "1.0";
    har::Page page;
    page.id = "page_1";
    page.title = "websms.ini";
    page.run = har::RunRecord{};
    page.run->file = "websms.ini";
    page.run->result = 2989;
    page.run->prefix = "43";
    page.run->number = "6641234567";
    page.run->message = "Gr\xC3\xBC\xC3\x9F" "e";
    page.run->user = "demo";
    page.run->redacted = true;
    d.pages.push_back(page);

    har::Entry get;
    get.pageref = "page_1";
    get.section = 1;
    get.request.method = "GET";
    get.request.url = "http://gw/web/?a=1";
    get.request.headers = {{"User-Agent", "Mozilla/4.0"}, {"Cookie", "S=\xE9t\xE9"}};  // Latin-1 bytes
    get.response.status = 302;
    get.response.statusText = "Found";
    get.response.headers = {{"Location", "/web/x"}};
    get.response.redirectURL = "/web/x";
    get.response.content.text = std::string("GIF89a\0\xFF\x01", 9);  // not UTF-8: base64
    get.response.content.size = 9;
    d.entries.push_back(get);

    har::Entry post = get;
    post.request.method = "POST";
    post.request.postData = har::PostData{"application/x-www-form-urlencoded", "to=1&text=\xFC", {}};
    post.response.status = 0;  // no reply came
    post.response.content.text = "caf\xC3\xA9\n<p>\"quoted\"</p>";
    d.entries.push_back(post);
    return d;
}

TEST(Har, WhatIsWrittenReadsBack) {
    const har::Document written = Sample();
    const std::string text = har::Format(written);
    EXPECT_NE(text.find("\"version\": \"1.2\""), std::string::npos);
    EXPECT_NE(text.find("\"encoding\": \"base64\""), std::string::npos);

    har::Document read;
    std::string error;
    ASSERT_TRUE(har::Parse(text, &read, &error)) << error;
    ASSERT_EQ(read.pages.size(), 1u);
    ASSERT_TRUE(read.pages[0].run.has_value());
    EXPECT_EQ(read.pages[0].run->result, 2989);
    EXPECT_EQ(read.pages[0].run->message, written.pages[0].run->message);
    EXPECT_EQ(read.pages[0].run->user, "demo");
    EXPECT_FALSE(read.pages[0].run->password.has_value());
    EXPECT_TRUE(read.pages[0].run->redacted);
    ASSERT_EQ(read.entries.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const har::Entry& a = written.entries[i];
        const har::Entry& b = read.entries[i];
        EXPECT_EQ(b.request.method, a.request.method);
        EXPECT_EQ(b.request.url, a.request.url);
        EXPECT_EQ(b.response.status, a.response.status);
        EXPECT_EQ(b.response.content.text, a.response.content.text) << "entry " << i + 1;
        EXPECT_EQ(b.response.redirectURL, "/web/x");
        EXPECT_EQ(b.section, 1);
        ASSERT_EQ(b.request.headers.size(), 2u);
        EXPECT_EQ(b.request.headers[1].value, "S=\xC3\xA9t\xC3\xA9");  // Latin-1 read as such
    }
    ASSERT_TRUE(read.entries[1].request.postData.has_value());
    EXPECT_EQ(read.entries[1].request.postData->text, "to=1&text=\xFC");
    EXPECT_EQ(har::Format(read), text) << "a second round changes nothing";
}

// A browser's export: a byte order mark, fields of its own, arrays left out.
TEST(Har, ReadsWhatBrowsersWrite) {
    const std::string text =
        "\xEF\xBB\xBF{\"log\":{\"version\":\"1.2\",\"creator\":{\"name\":\"WebInspector\",\"version\":\"537.36\"},"
        "\"entries\":[{\"_initiator\":{},\"request\":{\"method\":\"GET\",\"url\":\"http://gw/\",\"headers\":"
        "[{\"name\":\":authority\",\"value\":\"gw\"}]},\"response\":{\"status\":200,\"content\":{\"size\":-1,"
        "\"text\":\"aGk=\",\"encoding\":\"base64\"},\"_transferSize\":-1},\"time\":1.5}]}}";
    har::Document d;
    std::string error;
    ASSERT_TRUE(har::Parse(text, &d, &error)) << error;
    EXPECT_EQ(d.creatorName, "WebInspector");
    ASSERT_EQ(d.entries.size(), 1u);
    EXPECT_EQ(d.entries[0].response.content.text, "hi");
    EXPECT_EQ(d.entries[0].response.content.size, -1);
    ASSERT_NE(har::FindHeader(d.entries[0].request.headers, ":AUTHORITY"), nullptr);
}

TEST(Har, RefusesWhatIsNoRecording) {
    const std::string entry = R"({"request":{"method":"GET","url":"http://gw/"},"response":{"status":200}})";
    const std::string full = R"({"log":{"entries":[)" + entry + "]}}";
    const struct {
        std::string text;
        const char* error;
    } cases[] = {
        {"", "the file is empty"},
        {" \r\n", "the file is empty"},
        {full.substr(0, full.size() - 5), "the file ends early (truncated JSON at line 1"},
        {"{\"log\": nonsense}", "the file is not JSON (at line 1, column 10)"},
        {"[1]", "the file is not a HAR: its JSON is not an object"},
        {R"({"log":{}})", "log.entries is missing"},
        {R"({"log":{"entries":{}}})", "log.entries is not a list"},
        {R"({"log":{"entries":[)" + entry + ",7]}}", "entry 2 is not an object"},
        {R"({"log":{"entries":[)" + entry + R"(,{"response":{"status":200}}]}})", "entry 2: request is missing"},
        {R"({"log":{"entries":[{"request":{"method":"GET"},"response":{"status":200}}]}})",
         "entry 1: request.url is missing"},
        {R"({"log":{"entries":[{"request":{"method":"GET","url":"u"},"response":{"status":"200"}}]}})",
         "entry 1: response.status is not a number"},
        {R"({"log":{"entries":[{"request":{"method":"GET","url":"u","headers":[{"name":"a","value":"b"},)"
         R"({"value":"c"}]},"response":{"status":200}}]}})",
         "entry 1: request.headers[2].name is missing"},
        {R"({"log":{"entries":[{"request":{"method":"GET","url":"u"},"response":{"status":200,)"
         R"("content":{"text":"!!","encoding":"base64"}}}]}})",
         "entry 1: response.content.text is not base64"},
        {R"({"log":{"pages":[{"_run":{"result":0}}],"entries":[]}})", "page 1: _run.file is missing"},
    };
    for (const auto& c : cases) {
        har::Document d;
        std::string error;
        EXPECT_FALSE(har::Parse(c.text, &d, &error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << "got: " << error << "\nfor: " << c.text;
    }
}

TEST(HarText, FormsAndBase64) {
    const auto fields = har::DecodeForm("a=1&&b=x+y%21&c&d=%zz%4");
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(fields[1].value, "x y!");
    EXPECT_EQ(fields[2].name, "c");
    EXPECT_EQ(fields[3].value, "%zz%4");
    EXPECT_EQ(har::QueryFields("http://h/p?q=1#x=2").size(), 1u);
    for (const std::string& bytes : {std::string(""), std::string("a"), std::string("ab"), std::string("\0\xFF\x10", 3)}) {
        std::string back;
        ASSERT_TRUE(har::DecodeBase64(har::EncodeBase64(bytes), &back));
        EXPECT_EQ(back, bytes);
    }
    EXPECT_FALSE(har::IsUtf8("\xC0\xAF"));      // overlong
    EXPECT_FALSE(har::IsUtf8("\xED\xA0\x80"));  // a surrogate
    EXPECT_TRUE(har::IsUtf8("\xF0\x9F\x98\x80"));
}

}  // namespace
