#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "PngWriter.h"
#include "ScenarioLine.h"

namespace {

using Words = std::vector<std::string>;

TEST(ScenarioLine, SplitsWordsQuotesEscapesAndComments) {
    struct Case {
        const char* line;
        bool ok;
        Words words;
    } cases[] = {
        {"  text 1002   \"Hi there\" # a comment", true, {"text", "1002", "Hi there"}},
        {"type 1002 \"a\\\"b\\\\c\\r\\n\\t\"", true, {"type", "1002", "a\"b\\c\r\n\t"}},
        {"type 1002 \"Gr\\xFC\\xdfe\\x0\"", false, {}},
        {"type 1002 \"Gr\\xFC\\xdfe\"", true, {"type", "1002", "Gr\xFC\xDF" "e"}},
        {"get global M N \"\"", true, {"get", "global", "M", "N", ""}},
        {"echo a#b", true, {"echo", "a#b"}},
        {"# only a comment", true, {}},
        {"", true, {}},
        {"text 1 \"open", false, {}},
        {"text 1 \"bad \\x\"", false, {}},
        {"text 1 \"ends in \\", false, {}},
    };
    for (const Case& c : cases) {
        Words words;
        std::string error;
        EXPECT_EQ(scenario::SplitLine(c.line, &words, &error), c.ok) << c.line;
        if (c.ok) EXPECT_EQ(words, c.words) << c.line;
        else EXPECT_FALSE(error.empty()) << c.line;
    }
}

TEST(ScenarioLine, ExpandsVariablesAndParsesKeys) {
    auto lookup = [](const char* name) -> const char* { return std::strcmp(name, "PORT") == 0 ? "8080" : nullptr; };
    EXPECT_EQ(scenario::ExpandVariables("a ${PORT}/${NONE}x ${PORT", lookup), "a 8080/x ${PORT");

    std::vector<scenario::TypedKey> keys;
    std::string error;
    ASSERT_TRUE(scenario::ParseKeys("a{ctrl+return}{ctrl+a}{return}{{}", &keys, &error));
    std::string chars;
    std::string control;
    for (const auto& k : keys) {
        chars += k.character;
        control += k.control ? 'C' : '-';
    }
    EXPECT_EQ(chars, std::string("a\n\x01\r{"));
    EXPECT_EQ(control, "-CC--");
    for (const char* bad : {"{ctrl+1}", "{nope}", "x{ctrl+a"}) EXPECT_FALSE(scenario::ParseKeys(bad, &keys, &error)) << bad;
}

TEST(ScenarioLine, ParsesKeyStrokesWithModifiers) {
    std::vector<scenario::KeyStroke> keys;
    std::string error;
    ASSERT_TRUE(scenario::ParseKeyStrokes("a{escape}{alt+s}{shift+tab}{ctrl+return}{alt+f4}{{}{ctrl+alt+7}", &keys, &error));
    std::vector<std::string> shown;
    for (const auto& k : keys)
        shown.push_back(std::string(k.ctrl ? "C" : "") + (k.alt ? "A" : "") + (k.shift ? "S" : "") +
                        (k.virtualKey ? std::to_string(k.virtualKey) : std::string(1, k.character)));
    EXPECT_EQ(shown, (Words{"a", "27", "A83", "S9", "C13", "A115", "{", "CA55"}));
    for (const char* bad : {"{alt+}", "{nope}", "{alt+nope}", "x{escape", "{ctrl+}"})
        EXPECT_FALSE(scenario::ParseKeyStrokes(bad, &keys, &error)) << bad;
}

}  // namespace

#ifndef _WIN32
#include <zlib.h>

namespace {

uint32_t Be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }

// The screenshot writer's PNG, read back with zlib: chunk checksums hold and
// the image data inflates to the rows, across several stored blocks.
TEST(PngWriter, ZlibReadsBackEveryPixel) {
    image::Rgb picture;
    picture.width = 300;
    picture.height = 90;   // 81,090 bytes of rows: two stored blocks
    for (size_t i = 0; i < size_t(300) * 90 * 3; ++i) picture.pixels.push_back(static_cast<uint8_t>(i * 7));
    std::vector<uint8_t> png = image::EncodePng(picture);
    ASSERT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8), 0);
    std::vector<uint8_t> idat;
    std::vector<std::string> types;
    for (size_t pos = 8; pos + 12 <= png.size();) {
        uint32_t length = Be32(&png[pos]);
        ASSERT_LE(pos + 12 + length, png.size());
        types.emplace_back(reinterpret_cast<const char*>(&png[pos + 4]), 4);
        EXPECT_EQ(crc32(0, &png[pos + 4], length + 4), Be32(&png[pos + 8 + length])) << types.back();
        if (types.back() == "IDAT") idat.assign(png.begin() + long(pos + 8), png.begin() + long(pos + 8 + length));
        pos += 12 + length;
    }
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    std::vector<uint8_t> raw(size_t(90) * (1 + 900));
    uLongf rawSize = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &rawSize, idat.data(), idat.size()), Z_OK);
    ASSERT_EQ(rawSize, raw.size());
    for (int y = 0; y < 90; ++y) {
        EXPECT_EQ(raw[size_t(y) * 901], 0);
        ASSERT_EQ(std::memcmp(&raw[size_t(y) * 901 + 1], &picture.pixels[size_t(y) * 900], 900), 0) << y;
    }
    picture.pixels.pop_back();
    EXPECT_FALSE(image::Save(picture, "/nonexistent/x.png"));
}

}  // namespace
#endif
