// RunTool's time limit, the signal that ended a program, and its report pipe beside the secret.
#include <gtest/gtest.h>

#include <dirent.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "TestDisc.h"
#include "kit/tools/ToolRun.h"

namespace {

size_t OpenDescriptors() {
    size_t count = 0;
    if (DIR* fds = opendir("/proc/self/fd")) {
        while (readdir(fds)) ++count;
        closedir(fds);
    }
    return count;
}

TEST(ToolRun, KillsTheGroupAtTheLimitAndReportsHowItEnded) {
    struct Row {
        const char* script;
        int timeout;
        bool reportPipe, timedOut;
        int signal, status;
        const char* report;
    };
    const std::string secret = "s3cret";
    const Row rows[] = {
        // The background child holds the output: the group's kill must reach it too.
        {"sleep 30 & echo $!; wait", 1, false, true, SIGKILL, -1, ""},
        // Only the child's end, not the output's, tells that it still runs.
        {"exec >&- 2>&-; sleep 30", 1, false, true, SIGKILL, -1, ""},
        {"kill -SEGV $$", 30, false, false, SIGSEGV, -1, ""},
        {"cat /dev/fd/3 >&4; exit 3", 30, true, false, 0, 3, "s3cret"},
        {"cat /dev/fd/3", 0, false, false, 0, 0, ""},
    };
    for (const Row& row : rows) {
        ToolLimits limits;
        limits.timeoutSeconds = row.timeout, limits.reportPipe = row.reportPipe;
        auto start = std::chrono::steady_clock::now();
        size_t open = OpenDescriptors();
        ToolRun run = RunTool({"sh", "-c", row.script}, &secret, limits);
        EXPECT_EQ(open, OpenDescriptors()) << row.script << ": a descriptor left open, or one of ours closed";
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_TRUE(run.started);
        EXPECT_EQ(row.timedOut, run.timedOut) << row.script;
        EXPECT_EQ(row.signal, run.signal) << row.script;
        EXPECT_EQ(row.status, run.status) << row.script;
        EXPECT_LT(seconds, row.timeout + 10.0) << row.script;  // short of sleep 30 on a loaded machine
        EXPECT_EQ(row.report, run.report) << row.script;
        if (row.timedOut && !run.output.empty()) {
            // A killed process closes its files a moment before it ends: wait for that, boundedly.
            std::string stat;
            for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);;) {
                stat = ReadProcFile("/proc/" + std::to_string(atoi(run.output.c_str())) + "/stat");
                bool bGone = stat.empty() || stat.find(") Z") != std::string::npos || stat.find(") X") != std::string::npos;
                if (bGone || std::chrono::steady_clock::now() > until) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            EXPECT_TRUE(stat.empty() || stat.find(") Z") != std::string::npos || stat.find(") X") != std::string::npos)
                << "left running: " << stat;
        }
    }
}

}  // namespace

// The lines of osslsigncode's output that say what failed, each once, trimmed; OpenSSL's own left out.
TEST(ToolReason, KeepsEachLineThatSaysWhatFailed) {
    const struct {
        const char* output;
        const char* reason;
    } rows[] = {
        {"Error: self-signed certificate", "Error: self-signed certificate"},  // no newline at the end
        {"Reading key\r\n  Failed to read key \r\nFailed to read key\r\n", "Failed to read key"},
        {"40C7:error:0480006C:PEM routines::no start line\nUnable to load key\n", "Unable to load key"},
        {"Error: a\nInvalid b\n", "Error: a; Invalid b"},
        {"Succeeded\n", "it gives no reason"},
    };
    for (const auto& row : rows) EXPECT_EQ(row.reason, ToolReason(row.output)) << row.output;
}
