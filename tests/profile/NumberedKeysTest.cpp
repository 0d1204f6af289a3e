// The numbered-list reader: where each list starts, where it ends and what
// it reports as the end.
#include "script/profile/NumberedKeys.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

struct ListCase {
    profile::NumberedList list;
    std::map<std::string, std::string> file;   // name -> value; absent and "" read alike
    int refuse;                                 // the number the visitor stops at; -1: none
    std::vector<std::string> seen;              // "name=value" in visiting order
    int end;
};

TEST(NumberedKeys, ListsEndAtTheFirstGapTheVisitorOrTheLastNumber) {
    const ListCase cases[] = {
        {{"Prefix"}, {{"Prefix1", "a"}, {"Prefix2", "b"}, {"Prefix4", "d"}}, -1, {"Prefix1=a", "Prefix2=b"}, 3},
        {{"Prefix"}, {{"Prefix1", ""}, {"Prefix2", "b"}}, -1, {}, 1},
        {{"Key", 3}, {{"Key1", "x"}, {"Key3", "c"}, {"Key4", "d"}}, -1, {"Key3=c", "Key4=d"}, 5},
        {{"MyPhone", 0, 1}, {{"MyPhone0", "z"}, {"MyPhone1", "o"}, {"MyPhone2", "t"}}, -1, {"MyPhone0=z", "MyPhone1=o"}, 2},
        {{"Request"}, {{"Request1", "u"}, {"Request2", "v"}, {"Request3", "w"}}, 2, {"Request1=u", "Request2=v"}, 2},
        {{"A", 5, 4}, {{"A5", "never"}}, -1, {}, 5},
    };
    for (const ListCase& c : cases) {
        std::vector<std::string> seen;
        const int end = profile::ReadNumbered(
            c.list,
            [&](const std::string& name) {
                auto found = c.file.find(name);
                return found == c.file.end() ? std::string() : found->second;
            },
            [&](int n, const std::string& name, const std::string& value) {
                EXPECT_EQ(name, profile::NumberedName(c.list.stem, n));
                seen.push_back(name + "=" + value);
                return n != c.refuse;
            });
        EXPECT_EQ(c.seen, seen) << c.list.stem;
        EXPECT_EQ(c.end, end) << c.list.stem;
    }
}

TEST(NumberedKeys, NamesHaveNoLeadingZerosAndAbsentSettingsEndAList) {
    EXPECT_EQ("Prefix255", profile::NumberedName("Prefix", profile::kLastNumber));
    EXPECT_EQ("MyPhone0", profile::NumberedName("MyPhone", 0));
    // A setting holding "" is present: only a missing one ends the list.
    const std::map<std::string, std::string> settings{{"S0", ""}, {"S1", "one"}};
    int count = 0;
    const int end = profile::ReadNumbered(
        {"S", 0},
        [&](const std::string& name) {
            auto found = settings.find(name);
            return found == settings.end() ? std::nullopt : std::optional<std::string>(found->second);
        },
        [&](int, const std::string&, const std::optional<std::string>&) {
            ++count;
            return true;
        });
    EXPECT_EQ(2, count);
    EXPECT_EQ(2, end);
    // ForEachNumbered leaves the end to the visitor alone and runs through
    // to `last`, giving last + 1.
    std::vector<int> numbers;
    EXPECT_EQ(4, profile::ForEachNumbered({"R", 1, 3}, [&](int n, const std::string&) {
                  numbers.push_back(n);
                  return true;
              }));
    EXPECT_EQ((std::vector<int>{1, 2, 3}), numbers);
}

}  // namespace
