#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Lint.h"

namespace {

struct Expect {
    int line;
    lint::Severity severity;
    const char* fragment;
};

struct LintCase {
    std::string name;
    std::string file;
    std::string content;
    std::vector<Expect> expected;   // each must be found; nothing else of severity Error
};

// A file in UTF-16 (little-endian) with its byte order mark.
std::string Utf16(const std::string& ascii) {
    std::string out = "\xFF\xFE";
    for (char c : ascii) {
        out += c;
        out += '\0';
    }
    return out;
}

std::string With(std::string text, char from, const std::string& to) {
    std::string out;
    for (char c : text) out += c == from ? to : std::string(1, c);
    return out;
}

const char* kClean =
    "[Gateway]\nName=Demo\nPrefix1=43;Austria\nMaxChars=160\nSuccess=OK\n[Request1]\nURL=http://x/send?to=$Prefix$Number\nType=GET\n";

const char* kGoodHead =
    "[Gateway]\nName=Demo\nPrefix1=43;Austria\nPrefix2=49;Germany\nMaxChars=160\nSuccess=OK\n";

std::vector<LintCase> LintCases() {
    using lint::Severity;
    return {
        {"clean file has no findings", "a.ini",
         "[Gateway]\nName=Demo\nPrefix1=43;Austria\nMaxChars=160\nSuccess=OK\n[Request1]\nURL=http://x/send?to=$Prefix$Number&m=$Message\nType=GET\n",
         {}},
        {"no name", "a.ini", "[Gateway]\nPrefix1=43;A\n[Request1]\nURL=http://x/\nType=GET\n",
         {{1, Severity::Error, "no Name"}}},
        {"editme present", "a.ini", "[Gateway]\nName=D\nEditme=1\nPrefix1=43;A\n[Request1]\nURL=http://x/\nType=GET\n",
         {{3, Severity::Error, "Editme is present"}}},
        {"empty editme is absent", "a.ini", "[Gateway]\nName=D\nEditme=\nPrefix1=43;A\nMaxChars=160\nSuccess=x\n[Request1]\nURL=http://x/\nType=GET\n",
         {}},
        {"version too short", "a.ini", "[Gateway]\nName=D\nRequiresVersion=0.0.13\nPrefix1=1;A\n[Request1]\nURL=http://x/\nType=GET\n",
         {{3, Severity::Error, "is malformed"}}},
        {"version three parts", "a.ini", "[Gateway]\nName=D\nRequiresVersion=10.20.30\nPrefix1=1;A\n[Request1]\nURL=http://x/\nType=GET\n",
         {{3, Severity::Error, "is malformed"}}},
        {"version too new", "a.ini", "[Gateway]\nName=D\nRequiresVersion=0.0.10.5\nPrefix1=1;A\n[Request1]\nURL=http://x/\nType=GET\n",
         {{3, Severity::Error, "newer than this plug-in"}}},
        {"version wraps modulo 256", "a.ini", "[Gateway]\nName=D\nRequiresVersion=0.0.0.269\nPrefix1=1;A\nMaxChars=160\nSuccess=x\n[Request1]\nURL=http://x/\nType=GET\n",
         {}},
        {"prefix without separator", "a.ini", "[Gateway]\nName=D\nPrefix1=43;A\nPrefix2=49\n[Request1]\nURL=http://x/\nType=GET\n",
         {{4, Severity::Error, "has no ';'"}}},
        {"gap hides later prefixes", "a.ini", "[Gateway]\nName=D\nPrefix1=43;A\nPrefix3=49;B\nSuccess=x\n[Request1]\nURL=http://x/\nType=GET\n",
         {{4, Severity::Warning, "the Prefix list ends at Prefix2, which is missing"}}},
        {"no prefix at all", "a.ini", "[Gateway]\nName=D\n[Request1]\nURL=http://x/\nType=GET\n",
         {{1, Severity::Error, "no usable prefix"}}},
        {"bad url", "a.ini", std::string(kGoodHead).append("[Request1]\nURL=ftp://x/\nType=GET\n"),
         {{8, Severity::Error, "not http://"}}},
        {"missing type and poststring", "a.ini",
         std::string(kGoodHead).append("[Request1]\nURL=http://x/\n[Request2]\nURL=http://x/\nType=post\n"),
         {{7, Severity::Error, "has no Type"}, {11, Severity::Error, "without PostString"}}},
        {"sends marks the request that sends", "a.ini",
         std::string(kGoodHead).append("[Request1]\nURL=http://x/\nType=POST\nPostString=t=1\nSends=1\n"), {}},
        {"sends that is no number", "a.ini",
         std::string(kGoodHead).append("[Request1]\nURL=http://x/\nType=GET\nSends=yes\n"),
         {{10, Severity::Warning, "Sends \"yes\" reads as 0"}}},
        {"delay above the cap", "a.ini", std::string(kGoodHead).append("[Request1]\nURL=http://x/\nType=GET\nDelay=400000\n"),
         {{10, Severity::Warning, "above the run's cap"}}},
        {"type neither", "a.ini", std::string(kGoodHead).append("[Request1]\nURL=HTTPS://x/\nType=PUT\n"),
         {{9, Severity::Error, "neither POST nor GET"}}},
        {"no request1", "a.ini", std::string(kGoodHead).append("[Request2]\nURL=http://x/\nType=GET\n"),
         {{0, Severity::Error, "no [Request1]"}, {7, Severity::Warning, "never run"}}},
        {"request gap", "a.ini",
         std::string(kGoodHead).append("[Request1]\nURL=http://x/\nType=GET\n[Request3]\nURL=http://y/\nType=GET\n"),
         {{10, Severity::Warning, "never run"}}},
        {"unknown variable and wrong case", "a.ini",
         std::string(kGoodHead).append("[Request1]\nURL=http://x/?a=$Foo&b=$number\nType=GET\n"),
         {{8, Severity::Warning, "$Foo is not a variable"}, {8, Severity::Warning, "write $Number"}}},
        {"cookie without bracket", "a.ini",
         std::string(kGoodHead).append("[Request1]\nURL=http://x/\nType=POST\nPostString=s=$Cookie[SID\n"),
         {{10, Severity::Error, "$Cookie[ without ]"}}},
        {"selector that cannot apply", "a.ini",
         std::string(kGoodHead).append("[Request1]\nURL=http://x/?n=$Number[2;x]&m=$Message[3\nType=GET\n"),
         {{8, Severity::Warning, "is not [start;length]"}, {8, Severity::Warning, "$Message[ has no ]"}}},
        {"custom variable never filled", "a.ini",
         std::string(kGoodHead).append("[Request1]\nURL=http://x/\nType=GET\nCustomVar1=sid=(*)&\n[Request2]\nURL=http://x/?s=$CustomVar1&t=$CustomVar2\nType=GET\n"),
         {{12, Severity::Warning, "$CustomVar2 is never filled"}}},
        {"custom variable numbering restarts", "a.ini",
         std::string(kGoodHead).append("[Request1]\nURL=http://x/\nType=GET\nCustomVar1=a(*)b\n[Request2]\nURL=http://x/\nType=GET\nCustomVar1=c(*)d\n"),
         {{14, Severity::Warning, "numbering runs on"}}},
        {"duplicate key", "a.ini", "[Gateway]\nName=D\nname=E\nPrefix1=43;A\nSuccess=x\n[Request1]\nURL=http://x/\nType=GET\n",
         {{3, Severity::Warning, "only the first one (line 2) is read"}}},
        // Every encoding and line end the reader takes, read the same way.
        {"CR only", "a.ini", With(kClean, '\n', "\r"), {}},
        {"CR LF with comments", "a.ini", With(std::string("; a comment\n") + kClean + "; URL=x\n", '\n', "\r\n"), {}},
        {"UTF-8 mark", "a.ini", std::string("\xEF\xBB\xBF") + kClean, {}},
        {"UTF-16 mark", "a.ini", Utf16(kClean), {}},
        {"lines counted across mixed ends", "a.ini",
         Utf16("[Gateway]\r\nName=D\rPrefix1=43;A\n\r\nSuccess=x\r[Request1]\nURL=http://x/\nType=PUT\n"),
         {{8, Severity::Error, "neither POST nor GET"}}},
        {"second sections are ignored", "a.ini",
         std::string(kClean).append("[Gateway]\nEditme=1\n[request1]\nType=POST\n"),
         {{9, Severity::Error, "[Gateway] appears again (first at line 1)"}, {11, Severity::Error, "[request1] appears again"}}},
        {"value cut at the buffer", "a.ini",
         std::string(kGoodHead).append("[Request1]\nType=GET\nURL=http://x/?m=" + std::string(2100, 'a') + "$Number\n"),
         {{9, Severity::Warning, "is 2119 characters long; the plug-in reads only the first 2047"}}},
        {"prefix separator past 255", "a.ini",
         "[Gateway]\nName=D\nSuccess=x\nPrefix1=43;A\nPrefix2=49" + std::string(260, ' ') + ";B\nPrefix3=1;C\n"
         "[Request1]\nURL=http://x/\nType=GET\n",
         {{5, Severity::Error, "lies beyond character 255"}, {6, Severity::Warning, "the Prefix list ends at Prefix2, which has no ';'"}}},
        {"custom variable with a leading zero", "a.ini",
         std::string(kGoodHead).append("[Request1]\nURL=http://x/\nType=GET\nCustomVar1=a(*)b\n[Request2]\nURL=http://x/$CustomVar01\nType=GET\n"),
         {{12, Severity::Warning, "$CustomVar01 is never replaced"}}},
        // The format has no comments after values: the reader keeps them.
        {"comment after a value", "a.ini",
         "[Gateway]\nName=D\nPrefix1=43;A\nSuccess=\"Sent \"\n[Request1]\nURL=http://x/?a=b;c ;\nType=GET      ; GET or POST\n",
         {{4, Severity::Warning, "ends in blanks"}, {7, Severity::Error, "neither POST nor GET"},
          {7, Severity::Warning, "holds \"      ; GET or POST\": the reader keeps it"}}},
        {"comment after an account's password", "a.sac", "[Account1]\nUsername=u\nPassword=pw\t;mine\n",
         {{3, Severity::Warning, "write Password=pw and put the comment on a line of its own"}}},
        // The keys that reach HTTP APIs, with the engine's own rules and a note of what is sent.
        {"request headers", "a.ini",
         std::string(kGoodHead).append("[Request1]\nURL=http://x/\nType=POST\nAuth=Basic\nContentType=application/json\n"
                                       "Header1=X-Key: $Pass\nHeader2=x-key: 2\nHeader3=NoColon\nHeader4=hOST: evil\n"
                                       "Header5=Bad Name: 1\nHeader6=Authorization: Bearer $Pass\nHeader7=X-N: $Numbr\n"
                                       "PostString={\"t\":\"$Message\"}\n"),
         {{10, Severity::Note, "[Request1] sends Authorization: Basic *** (Base64 of $User:$Pass)"},
          {11, Severity::Note, "sends Content-Type: application/json: the PostString's values go in JSON-escaped"},
          {12, Severity::Note, "[Request1] sends X-Key: $Pass"},
          {13, Severity::Warning, "x-key comes again (first in Header1)"},
          {14, Severity::Error, "Header3 has no ':'"},
          {15, Severity::Error, "Header4 names a header that has a key of its own"},
          {16, Severity::Error, "Header5 has a name that is not an HTTP token"},
          {17, Severity::Error, "Authorization is set by Auth already"},
          {17, Severity::Note, "sends Authorization: Bearer ***"},
          {18, Severity::Warning, "$Numbr is not a variable"}}},
        // CustomVars whose value runs to the end of the page, and JSON paths.
        {"custom variables without an end", "a.ini",
         std::string(kGoodHead).append("[Request1]\nURL=http://x/\nType=GET\nCustomVar1=\"access_token\":\"(*)\"\n"
                                       "CustomVar2=id=(*)\nCustomVar3=json:a..b\nCustomVar4=\"n\":\"(*)\",\n"
                                       "CustomVar5=json:data.items[0].id\nHeader1=Authorization: Bearer $CustomVar1\n"),
         {{10, Severity::Warning, "CustomVar1 lost its outer quotes to the reader: it reads access_token\":\"(*), which"},
          {10, Severity::Warning, "for a JSON reply write CustomVar1=json:access_token"},
          {11, Severity::Warning, "CustomVar2 id=(*) has no end marker after (*)"},
          {12, Severity::Warning, "CustomVar3 \"json:a..b\" is no JSON path (an empty name at character 3"},
          {15, Severity::Note, "sends Authorization: Bearer $CustomVar1"}}},
        {"unknown auth, a content type on a GET", "a.ini",
         std::string(kGoodHead).append("[Request1]\nURL=http://x/?c=$Charset\nType=GET\nAuth=digest\nContentType=json\n"),
         {{10, Severity::Error, "Auth \"digest\" is unknown: the run fails with BadHeader (-15)"},
          {11, Severity::Warning, "ContentType is used only by a POST request"}}},
        // How long a message may be, in what unit, and the site's charset.
        {"message keys", "a.ini",
         "[Gateway]\nName=D\nPrefix1=43;A\nMaxCharsUnit=chars\nCharset=no-such-set\nSuccess=x\n[Request1]\n"
         "URL=http://x/\nType=GET\n[Request2]\nURL=http://x/\nType=GET\n",
         {{1, Severity::Warning, "[Gateway] has no MaxChars"},
          {4, Severity::Warning, "MaxCharsUnit \"chars\" is no unit: MaxChars counts bytes write MaxCharsUnit=bytes or "
                                 "MaxCharsUnit=characters"},
          {5, Severity::Error, "Charset \"no-such-set\" is unknown here: every run fails with BadCharset (-18)"}}},
        {"a known charset is shown", "a.ini",
         std::string(kGoodHead).append("MaxCharsUnit=characters\nCharset=ISO-8859-15\n[Request1]\nURL=http://x/\nType=GET\n"),
         {{8, Severity::Note, "the message goes to the site in ISO-8859-15"}}},
        {"empty file", "a.ini", " \r\n\r\n", {{0, Severity::Error, "the file is empty"}}},
        {"binary file", "a.ini", std::string("\x7F" "ELF\x01\x01\0\0[Gateway]\n", 16), {{0, Severity::Error, "not a text file"}}},
        {"accounts with gap and leftovers", "a.sac",
         "[Account1]\nUsername=u1\nPassword=p\n[Account3]\nUsername=u3\n[Temp1]\nUsername=u1\n",
         {{4, Severity::Warning, "never used"}, {6, Severity::Warning, "may hold the only copy of an account"}}},
        {"account without username ends list", "a.sac", "[Account1]\nPassword=p\n",
         {{0, Severity::Warning, "no [Account1] with a Username"}, {1, Severity::Warning, "never used"}}},
    };
}

TEST(Lint, FindsWhatTheCatalogueAndRunnerWouldRefuseOrIgnore) {
    for (const LintCase& c : LintCases()) {
        SCOPED_TRACE(c.name);
        auto findings = lint::CheckText(c.file, c.content);
        for (const Expect& e : c.expected) {
            bool found = false;
            for (const auto& f : findings) {
                if (f.line == e.line && f.severity == e.severity && (f.message + " " + f.fix).find(e.fragment) != std::string::npos) found = true;
            }
            std::string all;
            for (const auto& f : findings) all += lint::Format(f) + "\n";
            EXPECT_TRUE(found) << "missing: line " << e.line << " " << e.fragment << "\nfound:\n" << all;
        }
        // A file that is not read at all gets just one finding.
        if (c.expected.size() == 1 && c.expected[0].line == 0) {
            EXPECT_EQ(findings.size(), 1u);
        }
        int errorsExpected = 0, errorsFound = 0;
        for (const Expect& e : c.expected) errorsExpected += e.severity == lint::Severity::Error;
        for (const auto& f : findings) errorsFound += f.severity == lint::Severity::Error;
        EXPECT_EQ(errorsFound, errorsExpected);
        if (c.expected.empty()) {
            EXPECT_TRUE(findings.empty()) << lint::Format(findings.front());
        }
    }
}

TEST(Lint, FormatNamesFileLineAndFix) {
    auto findings = lint::CheckText("gw one.ini", "[Gateway]\nPrefix1=1;A\n[Request1]\nURL=http://x/\nType=GET\n");
    ASSERT_FALSE(findings.empty());
    EXPECT_EQ(lint::Format(findings.front()).rfind("gw one.ini:1: error: [Gateway] has no Name", 0), 0u)
        << lint::Format(findings.front());
    EXPECT_NE(lint::Format(findings.front()).find("\n    fix: add Name="), std::string::npos);
}

TEST(Lint, ControlBytesNeverReachTheTerminal) {
    auto findings = lint::CheckText("a.ini", std::string(kGoodHead) + "[Request1]\nURL=\x1B]0;owned\x07\nType=GET\n");
    std::string all;
    for (const auto& f : findings) all += lint::Format(f);
    EXPECT_NE(all.find("\\x1B]0;owned\\x07"), std::string::npos) << all;
    for (char c : all) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << all;
}

TEST(Lint, HostileInputNeverCrashes) {
    std::string junk;
    for (int i = 0; i < 2000; ++i) junk += "[Request" + std::to_string(i) + "\nURL=$Cookie[$CustomVar99999999999999[\n=\n[\n";
    auto findings = lint::CheckText("j.ini", junk);
    EXPECT_FALSE(findings.empty());
    findings = lint::CheckText("j.sac", std::string(100000, '['));
    EXPECT_FALSE(findings.empty());
}

}  // namespace
