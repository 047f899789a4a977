// The items built into the program, found by whichever backend the build has: .incbin on Linux,
// resources on Windows.

#include <gtest/gtest.h>

#include <string>

#include "platform/embedded_data.h"

namespace rlq::platform {
namespace {

TEST(DataItemsTest, FindsTheFirmwareItemsByTypeInAnyCase) {
    const DataItemSource& items = ProgramDataItems();
    const auto main = items.Find("FILE", 134);
    ASSERT_TRUE(main.has_value());
    EXPECT_EQ(main->size(), 512u + 655360u);
    EXPECT_EQ(std::string(main->begin(), main->begin() + 4), "RLUP");
    const auto sub = items.Find("file", 142);
    ASSERT_TRUE(sub.has_value());
    const auto size = items.Find("File", 143);
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(std::string(size->begin(), size->end()), std::to_string(sub->size()) + " \r\n");
}

TEST(DataItemsTest, UnknownItemIsNotFound) {
    EXPECT_FALSE(ProgramDataItems().Find("FILE", 135).has_value());
    EXPECT_FALSE(ProgramDataItems().Find("DATA", 134).has_value());
    EXPECT_FALSE(ProgramDataItems().Find("FILES", 134).has_value());
}

}  // namespace
}  // namespace rlq::platform
