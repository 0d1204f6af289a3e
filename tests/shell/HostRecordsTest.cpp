#include <gtest/gtest.h>

#include <cstddef>

#include "shell/HostLink.h"
#include "shell/PluginInfo.h"

namespace {

// The host reads these records by offset; on the 32-bit target the
// offsets below are the published ones.
TEST(HostRecords, PluginInfoRecordsMatchTheHost) {
    const host::PluginInfo* legacy = plugin::LegacyInfo();
    const host::PluginInfoEx* extended = plugin::ExtendedInfo();
    EXPECT_EQ(legacy->cbSize, static_cast<int>(sizeof(host::PluginInfo)));
    EXPECT_EQ(extended->cbSize, static_cast<int>(sizeof(host::PluginInfoEx)));
    EXPECT_STREQ(legacy->shortName, "Parlet-Plugin");
    EXPECT_EQ(legacy->version, 0x0000000Du);
    EXPECT_STREQ(legacy->description, "Support for sending SMS-Messages via HTTP SMS-Providers");
    EXPECT_EQ(legacy->flags, 0);
    EXPECT_EQ(legacy->replacesDefaultModule, 0);
    EXPECT_STREQ(extended->shortName, legacy->shortName);
    const host::Uuid* interfaces = plugin::Interfaces();
    EXPECT_NE(interfaces[0].a, 0u);
    EXPECT_EQ(interfaces[1].a, 0u);
    EXPECT_EQ(interfaces[1].b, 0u);
#if INTPTR_MAX == INT32_MAX
    EXPECT_EQ(sizeof(host::PluginInfo), 40u);
    EXPECT_EQ(offsetof(host::PluginInfo, flags), 32u);
    EXPECT_EQ(offsetof(host::PluginInfo, replacesDefaultModule), 36u);
    EXPECT_EQ(offsetof(host::PluginInfoEx, uuid), 40u);
    EXPECT_EQ(offsetof(host::HttpRequest, statusText), 36u);
    EXPECT_EQ(offsetof(host::MenuItem, service), 20u);
    EXPECT_EQ(offsetof(host::NetlibUser, httpGatewayUserAgent), 20u);
    EXPECT_EQ(offsetof(host::PluginLink, CallService), 36u);
    EXPECT_EQ(offsetof(host::PluginLink, CallServiceSync), 44u);
    EXPECT_EQ(offsetof(host::PopupData, text), 8u + 2048u);
#endif
}

TEST(HostRecords, NoLinkMeansEveryServiceIsMissing) {
    const host::PluginLink* saved = host::Link();
    host::SetLink(nullptr);
    EXPECT_EQ(host::CallService("DB/Contact/GetSetting", 0, 0), host::kServiceNotFound);
    EXPECT_LT(host::kServiceNotFound, 0);
    EXPECT_FALSE(host::ServiceExists("Parlet/Send"));
    EXPECT_EQ(host::TranslateString("text"), "text");
    host::SetLink(saved);
}

}  // namespace
