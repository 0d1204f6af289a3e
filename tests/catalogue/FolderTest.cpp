#include <gtest/gtest.h>

#include "catalogue/GatewayFolder.h"

namespace {

struct ResolveCase {
    const char* executable;
    const char* folder;
    const char* expected;
};

class ResolveTest : public ::testing::Test {
protected:
    void TearDown() override { catalogue::SetExecutablePathForTests(""); }
    static std::string Resolve(const char* executable, const std::string& folder) {
        catalogue::SetExecutablePathForTests(executable);
        std::string value = folder;
        ResolveGatewayFolder(value);
        return value;
    }
};

TEST_F(ResolveTest, RelativeFolderJoinsTheExecutablesFolder) {
#ifdef _WIN32
    const ResolveCase cases[] = {
        {"C:\\Host\\host.exe", ".\\Gateways", "C:\\Host\\Gateways"},
        {"C:\\Host\\host.exe", ".\\Gw\\Sub", "C:\\Host\\Gw\\Sub"},
        {"C:\\Host\\host.exe", "D:\\SMS", "D:\\SMS"},
        {"C:\\Host\\host.exe", ".\\", ".\\"},
        {"C:\\Host\\host.exe", "./Gateways", "./Gateways"},
        {"C:\\Host\\host.exe", "..\\Gateways", "..\\Gateways"},
        {"host.exe", ".\\Gateways", ".\\Gateways"},
        {"\\host.exe", ".\\Gateways", ".\\Gateways"},
    };
#else
    const ResolveCase cases[] = {
        {"/opt/host/host", ".\\Gateways", "/opt/host/Gateways"},
        {"/opt/host/host", "./Gateways", "/opt/host/Gateways"},
        {"/opt/host/host", ".\\Gw\\Sub", "/opt/host/Gw/Sub"},
        {"/opt/host/host", "/srv/sms", "/srv/sms"},
        {"/opt/host/host", ".\\", ".\\"},
        {"/opt/host/host", "./", "./"},
        {"/opt/host/host", "..\\Gateways", "..\\Gateways"},
        {"host", ".\\Gateways", ".\\Gateways"},
        {"/host", ".\\Gateways", ".\\Gateways"},
    };
#endif
    for (const ResolveCase& c : cases) {
        EXPECT_EQ(c.expected, Resolve(c.executable, c.folder)) << c.executable << " + " << c.folder;
    }
}

TEST_F(ResolveTest, ResultIsCutAt259Characters) {
    std::string executable = std::string(1, catalogue::kPathSeparator) + std::string(250, 'h') +
                             catalogue::kPathSeparator + "host.exe";
    std::string resolved = Resolve(executable.c_str(), ".\\" + std::string(40, 'g'));
    EXPECT_EQ(259u, resolved.size());
    EXPECT_EQ(0u, resolved.find(executable.substr(0, 251)));
}

TEST_F(ResolveTest, RealExecutablePathHasAFolder) {
    std::string path = catalogue::ExecutablePath();
    ASSERT_FALSE(path.empty());
    size_t last = path.find_last_of(catalogue::kPathSeparator);
    ASSERT_NE(std::string::npos, last);
    EXPECT_GT(last, 0u);
    EXPECT_NE(std::string::npos, path.find("catalogue_tests"));
}

TEST(GatewayFolderSetting, KeptCutTo259) {
    SetGatewayFolder(std::string(300, 'f'));
    EXPECT_EQ(259u, GatewayFolder().size());
    SetGatewayFolder("x");
    EXPECT_EQ("x", GatewayFolder());
}

}  // namespace
