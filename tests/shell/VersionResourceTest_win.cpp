// The DLL's version resource, read back from the built parlet.dll as
// Windows' file properties read it, against shell/Version.h.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "shell/Version.h"

namespace {

std::string DllPath() {
    const char* path = std::getenv("PARLET_DLL");
    if (!path) return "";
    std::string text = path;
    if (!text.empty() && text[0] == '/') text = "Z:" + text;  // a Unix path under Wine
    return text;
}

class VersionResource : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = DllPath();
        ASSERT_FALSE(path.empty()) << "PARLET_DLL names no DLL";
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        ASSERT_GT(size, 0u) << path << " has no version resource";
        data_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data_.data()));
    }

    const VS_FIXEDFILEINFO* Fixed() {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(data_.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO)) return nullptr;
        return static_cast<const VS_FIXEDFILEINFO*>(value);
    }

    // A text of the string table that the resource's first translation names.
    std::string Text(const char* name) {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(data_.data(), "\\VarFileInfo\\Translation", &value, &length) || length < 4) return "?";
        const WORD* translation = static_cast<const WORD*>(value);
        char query[128];
        std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1], name);
        if (!VerQueryValueA(data_.data(), query, &value, &length) || length == 0) return "(absent)";
        return static_cast<const char*>(value);
    }

    std::vector<char> data_;
};

TEST_F(VersionResource, NumbersAreTheVersionHeaders) {
    const VS_FIXEDFILEINFO* fixed = Fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD ms = MAKELONG(PARLET_VERSION_MINOR, PARLET_VERSION_MAJOR);
    const DWORD ls = MAKELONG(PARLET_VERSION_BUILD, PARLET_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, ms);
    EXPECT_EQ(fixed->dwFileVersionLS, ls);
    EXPECT_EQ(fixed->dwProductVersionMS, ms);
    EXPECT_EQ(fixed->dwProductVersionLS, ls);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
}

TEST_F(VersionResource, TextsAreTheVersionHeaders) {
    const struct {
        const char* name;
        const char* expected;
    } rows[] = {
        {"FileVersion", PARLET_VERSION_TEXT},         {"ProductVersion", PARLET_VERSION_TEXT},
        {"FileDescription", PARLET_FILE_DESCRIPTION}, {"ProductName", PARLET_PRODUCT_NAME},
        {"LegalCopyright", PARLET_COPYRIGHT},         {"OriginalFilename", PARLET_DLL_NAME},
    };
    for (const auto& row : rows) EXPECT_EQ(Text(row.name), row.expected) << row.name;
}

}  // namespace
