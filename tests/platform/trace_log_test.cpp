#include "platform/trace_log.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "platform/system.h"

namespace vantrel {
namespace {

TEST(TraceLogTest, FormatsOneLineWithUnitLineAndAddress) {
    std::string line = TraceLog::formatLine(L"12/10/2026 2:03:04 PM", L"Invalid index value: -1", "TTypes",
                                            57, reinterpret_cast<const void*>(0x4A2F10));
    EXPECT_EQ(line, "[12/10/2026 2:03:04 PM] Invalid index value: -1 (TTypes, line 57, address $4A2F10)\r\n");
}

TEST(TraceLogTest, ALongMessageIsCutSoThatTheLineStillEndsWithItsPlace) {
    std::wstring message(3000, L'x');
    std::string line = TraceLog::formatLine(L"12/10/2026 2:03:04 PM", message, "MThreading", 123,
                                            reinterpret_cast<const void*>(0xFFFF));
    EXPECT_EQ(line.size(), TraceLog::kMaxLine);
    const std::string tail = " (MThreading, line 123, address $FFFF)\r\n";
    ASSERT_GT(line.size(), tail.size());
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
    EXPECT_EQ(line.rfind("[12/10/2026 2:03:04 PM] xxx", 0), 0u);
}

TEST(TraceLogTest, NumbersFollowTheirMessage) {
    struct Case {
        int64_t number;
        const char* text;
    };
    for (Case c : {Case{-1, "Invalid index value: -1 ("}, Case{0, "Invalid index value: 0 ("},
                   Case{INT64_MIN, "Invalid index value: -9223372036854775808 ("},
                   Case{4294967295, "Invalid index value: 4294967295 ("}}) {
        std::string before = readFile(traceLog().path());
        VANTREL_ASSERT_FAILED_NUMBER(L"Invalid index value: ", c.number, "TTypes");
        std::string added = readFile(traceLog().path()).substr(before.size());
        EXPECT_NE(added.find(c.text), std::string::npos) << added;
    }
}

TEST(TraceLogTest, DeletesTheOldFileAndAppendsEntriesWithCrLf) {
    std::wstring path = executableDirectory() + L"trace_log_test.log";
    appendToFile(path, "left over from an earlier run\r\n");
    TraceLog log(path);
    EXPECT_EQ(readFile(path), "");
    log.write(L"first", "Unit", 1, nullptr);
    log.write(L"second", "Unit", 2, nullptr);
    std::string text = readFile(path);
    EXPECT_NE(text.find("first (Unit, line 1, address $0)\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("second (Unit, line 2, address $0)\r\n"), std::string::npos) << text;
    EXPECT_LT(text.find("first"), text.find("second"));
    deleteFile(path);
}

TEST(TraceLogTest, LinesFromManyThreadsAreNeitherLostNorInterleaved) {
    std::wstring path = executableDirectory() + L"trace_log_threads.log";
    TraceLog log(path);
    constexpr int kThreads = 4, kLines = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&log, t] {
            for (int i = 0; i < kLines; ++i)
                log.write(L"thread " + std::to_wstring(t) + L" entry " + std::to_wstring(i), "Unit", i,
                          nullptr);
        });
    for (auto& th : threads)
        th.join();
    std::string text = readFile(path);
    size_t lines = 0, pos = 0;
    while ((pos = text.find("\r\n", pos)) != std::string::npos) {
        ++lines;
        pos += 2;
    }
    EXPECT_EQ(lines, size_t(kThreads * kLines));
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        std::string line = text.substr(at, end - at);
        EXPECT_EQ(line.front(), '[') << line;
        EXPECT_EQ(line.back(), ')') << line;
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        at = end + 2;
    }
    deleteFile(path);
}

TEST(TraceLogTest, AssertionsGoToTheProcessLogBesideTheExecutable) {
    EXPECT_EQ(traceLog().path(), executableDirectory() + L"debug.log");
    VANTREL_ASSERT_FAILED(L"Assertion failure", "TraceTest");
    EXPECT_NE(readFile(traceLog().path()).find("Assertion failure (TraceTest, line "), std::string::npos);
}

}  // namespace
}  // namespace vantrel
