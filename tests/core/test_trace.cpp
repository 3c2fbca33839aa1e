// Traces and Qt's messages from several threads into a pipe that nobody reads: every line that
// arrives is whole, and none blocks its thread.
#include "core/Trace.h"

#include <QtGlobal>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <unistd.h>

TEST(Trace, LinesFromSeveralThreadsArriveWholeOrNotAtAll) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const int savedError = ::dup(STDERR_FILENO);
    ASSERT_EQ(::dup2(fds[1], STDERR_FILENO), STDERR_FILENO);
    GuardStandardError();
    std::vector<std::future<void>> writers;
    for (const char letter : {'a', 'b', 'c', 'd'})
        writers.push_back(std::async(std::launch::async, [letter] {
            for (int i = 0; i < 40; ++i) {
                TraceMessage(std::string(3000, letter));
                qWarning("%s", std::string(9000, letter).c_str()); // longer than PIPE_BUF
            }
        }));
    bool blocked = false;
    for (auto &w : writers)
        blocked = blocked || w.wait_for(std::chrono::seconds(10)) != std::future_status::ready;
    ::dup2(savedError, STDERR_FILENO);
    ::close(fds[1]); // a blocked writer would keep the pipe open: then reading returns its lines
    std::string out;
    char buffer[65536];
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, size_t(n));
    EXPECT_FALSE(blocked) << "a line blocked its thread";
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), '\n') << "the last line arrived in part";
    size_t start = 0, lines = 0;
    for (size_t end; (end = out.find('\n', start)) != std::string::npos; start = end + 1, ++lines) {
        const std::string line = out.substr(start, end - start);
        ASSERT_TRUE(line.size() == 3002 || line.size() == PIPE_BUF - 1) << line.size();
        const std::string text = line.size() == 3002 ? line.substr(1, 3000) : line;
        ASSERT_EQ(text.find_first_not_of(text.front()), std::string::npos) << "lines mixed";
    }
    std::cout << lines << " lines arrived whole\n";
    ::close(fds[0]);
    for (auto &w : writers)
        w.wait();
}
