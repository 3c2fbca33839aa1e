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

// The platform's prompt first; once it cannot be created on this system, ours, from then on.
TEST(FallbackDataSourcePrompt, SwitchesOnlyWhenThePreferredPromptIsUnavailable) {
    using A = PromptScript::Answer;
    struct Case {
        A preferred;
        bool expectThrow, expectResult;
        int preferredCalls, fallbackCalls; // after two edits
    };
    const Case cases[] = {
        {A::Confirm, false, true, 2, 0},
        {A::Cancel, false, false, 2, 0},
        {A::Throw, true, false, 2, 0}, // a failure while shown is reported, not hidden
        {A::Unavailable, false, true, 1, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.preferred));
        auto preferred = std::make_shared<PromptScript>();
        auto fallback = std::make_shared<PromptScript>();
        preferred->answer = c.preferred;
        fallback->give = QStringLiteral("Provider=SQLOLEDB;Data Source=own");
        TFallbackDataSourcePrompt prompt(std::make_unique<FakePrompt>(preferred),
                                         std::make_unique<FakePrompt>(fallback));
        QWidget parent;
        for (int i = 0; i < 2; ++i) {
            QString text = QStringLiteral("Provider=SQLOLEDB;Data Source=start");
            if (c.expectThrow) {
                EXPECT_THROW(prompt.PromptEdit(&parent, text), Exception);
                continue;
            }
            EXPECT_EQ(prompt.PromptEdit(&parent, text), c.expectResult);
            if (c.fallbackCalls) {
                // Our dialog starts from the caller's string, not what the failed one left.
                EXPECT_EQ(fallback->editStart,
                          QStringLiteral("Provider=SQLOLEDB;Data Source=start"));
                EXPECT_EQ(fallback->parent, &parent);
                EXPECT_EQ(text, fallback->give);
            }
        }
        EXPECT_EQ(preferred->editCalls, c.preferredCalls);
        EXPECT_EQ(fallback->editCalls, c.fallbackCalls);
    }

    auto unavailable = std::make_shared<PromptScript>();
    unavailable->answer = A::Unavailable;
    auto own = std::make_shared<PromptScript>();
    TDataSourceLocator dl(std::make_unique<TFallbackDataSourcePrompt>(
        std::make_unique<FakePrompt>(unavailable), std::make_unique<FakePrompt>(own)));
    ASSERT_TRUE(dl.PromptNew(nullptr));
    EXPECT_EQ(dl.ConnectionString(), own->give);
    EXPECT_EQ(own->newCalls, 1);
}
