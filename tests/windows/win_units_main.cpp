// Test main for the Windows units. Besides the tests it has a helper mode for the
// single-instance tests: "--guard-child <name>" takes the guard in a separate process and
// exits with 0 (first copy), 1 (already running) or 2 (failed); "--show-child" exits with the
// show command it was started with, as StartupShow.
#include "app/ShowCommand.h"
#include "app/SingleInstance.h"
#include "win_units_test.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

std::string g_expectedLanguage;

int main(int argc, char **argv) {
    if (argc == 3 && std::strcmp(argv[1], "--guard-child") == 0) {
        SingleInstanceGuard guard(argv[2]);
        switch (guard.Result()) {
        case SingleInstanceResult::FirstCopy:
            return 0;
        case SingleInstanceResult::AlreadyRunning:
            return 1;
        case SingleInstanceResult::Failed:
            return 2;
        }
        return 3;
    }

    if (argc == 2 && std::strcmp(argv[1], "--show-child") == 0)
        return static_cast<int>(StartupShowCommand());

    testing::InitGoogleTest(&argc, argv);
    const std::string expectPrefix = "--expect-language=";
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], expectPrefix.c_str(), expectPrefix.size()) == 0)
            g_expectedLanguage = argv[i] + expectPrefix.size();

    const int rc = RUN_ALL_TESTS();
    const testing::UnitTest &unit = *testing::UnitTest::GetInstance();
    std::printf("%d passed, %d failed", unit.successful_test_count(), unit.failed_test_count());
    if (unit.skipped_test_count() > 0)
        std::printf(", %d skipped", unit.skipped_test_count());
    std::printf("\n");
    std::fflush(stdout);
    return rc;
}
