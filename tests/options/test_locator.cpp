// TDataSourceLocator's state rules, with a scripted prompt behind it.
#include "OptionsTestUtil.h"

#include <gtest/gtest.h>

TEST(DataSourceLocator, HoldsOnlyTheResultOfTheLastSuccessfulPrompt) {
    auto script = std::make_shared<PromptScript>();
    TDataSourceLocator dl(std::make_unique<FakePrompt>(script));
    EXPECT_EQ(dl.objectName(), QStringLiteral("dl"));
    EXPECT_TRUE(dl.ConnectionString().isEmpty());

    EXPECT_TRUE(dl.PromptNew(nullptr));
    EXPECT_EQ(dl.ConnectionString(), script->give);

    // A cancel after a success leaves nothing behind.
    script->answer = PromptScript::Answer::Cancel;
    EXPECT_FALSE(dl.PromptEdit(nullptr, QStringLiteral("Provider=A")));
    EXPECT_EQ(script->editStart, QStringLiteral("Provider=A"));
    EXPECT_TRUE(dl.ConnectionString().isEmpty());

    script->answer = PromptScript::Answer::Confirm;
    EXPECT_TRUE(dl.PromptEdit(nullptr, QStringLiteral("Provider=A")));
    script->answer = PromptScript::Answer::Throw;
    EXPECT_THROW(dl.PromptNew(nullptr), Exception);
    EXPECT_TRUE(dl.ConnectionString().isEmpty());

    // A confirmed prompt that gives no string back obtained nothing.
    script->answer = PromptScript::Answer::Confirm;
    script->give.clear();
    EXPECT_FALSE(dl.PromptNew(nullptr));
}
