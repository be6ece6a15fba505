#include "common/Prompter.h"

#include <gtest/gtest.h>

namespace kest::test {
namespace {

TEST(MemoryPrompterTest, QueuedAnswersGoInOrderThenTheDefaultsApply)
{
    MemoryPrompter prompter;
    prompter.answers = {false, true};
    EXPECT_FALSE(prompter.ask("first", true));
    EXPECT_TRUE(prompter.ask("second", false));
    // The queue is used up: each question now takes its own default.
    EXPECT_TRUE(prompter.ask("third", true));
    EXPECT_FALSE(prompter.ask("fourth", false));
    EXPECT_EQ(prompter.questions, (std::vector<std::string>{"first", "second", "third", "fourth"}));
    EXPECT_TRUE(prompter.answers.empty());
}

} // namespace
} // namespace kest::test
