#include "config/stack_line_list.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(StackLineEntry, SplitsAtTheFirstEqualsSign) {
    std::string name;
    std::string value;
    ASSERT_TRUE(StackLineEntry("ModuleCount=3", name, value));
    EXPECT_EQ(name, "ModuleCount");
    EXPECT_EQ(value, "3");
    ASSERT_TRUE(StackLineEntry("a=b=c", name, value));
    EXPECT_EQ(name, "a");
    EXPECT_EQ(value, "b=c");
}

TEST(StackLineEntry, LinesWithoutANameOrAValueAreNotWritten) {
    std::string name = "kept";
    std::string value = "kept";
    for (const char* line : {"", "Module0Lib", "Module0Lib=", "=dsp_echo.dll", "="}) {
        EXPECT_FALSE(StackLineEntry(line, name, value)) << '"' << line << '"';
    }
    EXPECT_EQ(name, "kept");
}

TEST(StackLineList, EveryReplaceIsOneChangeEvenWithTheSameLines) {
    StackLineList list;
    int changes = 0;
    list.SetChangeHandler([&changes] { ++changes; });
    list.Replace({"ModuleCount=1", "Module0Lib=dsp_qxtidewell.dll"});
    list.Replace(list.Lines());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(list.Count(), 2u);
}

TEST(StackLineList, LinesAreKeptWhenTheChangeHandlerFails) {
    StackLineList list;
    list.SetChangeHandler([] { throw std::runtime_error("Unable to write to x"); });
    EXPECT_THROW(list.Replace({"a=1"}), std::runtime_error);
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Lines()[0], "a=1");
}

TEST(StackLineList, SetChangeHandlerHandsBackThePreviousOne) {
    StackLineList list;
    int changes = 0;
    list.SetChangeHandler([&changes] { ++changes; });
    StackLineList::ChangeHandler previous = list.SetChangeHandler(nullptr);
    list.Replace({"silent=1"});
    list.SetChangeHandler(std::move(previous));
    list.Replace({"heard=1"});
    EXPECT_EQ(changes, 1);
}

}  // namespace
