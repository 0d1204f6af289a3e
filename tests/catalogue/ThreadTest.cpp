// Send jobs rotate the catalogue from their own threads while the options
// pages rebuild it; run these under the sanitizer build too.
#include <algorithm>
#include <atomic>
#include <thread>

#include "CatalogueFixture.h"

namespace {

using ThreadTest = CatalogueTest;

TEST_F(ThreadTest, RotationsFromFourThreadsKeepEveryGatewayOnce) {
    const Names names{"a.ini", "b.ini", "c.ini", "d.ini", "e.ini", "f.ini", "g.ini"};
    for (const auto& name : names) ASSERT_EQ(0, AddGateway(name.c_str(), 1));
    constexpr int kThreads = 4, kRotations = 50000;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&failures] {
            for (int i = 0; i < kRotations; ++i) {
                if (RotateGateways() != 0) ++failures;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(0, failures.load());
    // Every rotation counted: the order is the start order turned by their number.
    Names expected = names;
    std::rotate(expected.begin(), expected.begin() + (kThreads * kRotations) % names.size(), expected.end());
    EXPECT_EQ(expected, Order());
}

TEST_F(ThreadTest, JobsAndRebuildsAtOnce) {
    const Names names{"a.ini", "b.ini", "c.ini", "d.ini", "e.ini"};
    for (const auto& name : names) Gateway(name, "Prefix1=43;Austria\n");
    ASSERT_EQ(0, ScanGateways());

    std::atomic<bool> stop{false};
    std::atomic<int> badNodes{0};
    auto job = [&] {
        while (!stop) {
            GatewayRef tried = FirstGateway();
            if (!tried) continue;
            // The job reads its gateway while others move and rebuild the list.
            if (tried->path != catalogue::JoinPath(folder, tried->name)) ++badNodes;
            if (tried->enabled.load() != 1) ++badNodes;
            auto prefixes = CurrentPrefixTable();
            if (prefixes->Count() > 0 && std::string(prefixes->Entry(0)) != "43") ++badNodes;
            MoveGatewayToEnd(tried);
            RotateGateways();
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) threads.emplace_back(job);
    for (int i = 0; i < 300; ++i) EXPECT_EQ(0, RebuildCatalogue());
    stop = true;
    for (auto& thread : threads) thread.join();

    EXPECT_EQ(0, badNodes.load());
    Names order = Order();
    std::sort(order.begin(), order.end());
    EXPECT_EQ(names, order);
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
