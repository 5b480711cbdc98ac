#include "kit/tools/ToolRun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace {

const size_t kMaxOutput = 64 * 1024;
// What a killed group started elsewhere (bwrap's sandbox) ends with it, and
// closes the pipes as it goes; this bounds the wait for that.
const long long kDrainMs = 2000;

void CloseBoth(int fds[2]) {
    if (fds[0] >= 0) close(fds[0]);
    if (fds[1] >= 0) close(fds[1]);
    fds[0] = fds[1] = -1;
}

long long NowMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

// A descriptor that polls readable once the child has ended; -1 on kernels without pidfds (before 5.3),
// where the limit then covers the output only.
int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    return (int)syscall(SYS_pidfd_open, pid, 0);
#else
    (void)pid;
    return -1;
#endif
}

// In the child: a copy above the descriptors it sets up, so that placing one never overwrites another.
int Lift(int fd) { return fd < 0 ? fd : fcntl(fd, F_DUPFD_CLOEXEC, 10); }

struct Pipes {
    int output = -1, report = -1;
};

// Reads the pipes until both close and, with a pidfd, the child has ended; false when the deadline
// (0: none) comes first.
bool Follow(Pipes* pipes, int pidfd, long long deadline, ToolRun* run) {
    bool ended = pidfd < 0;
    while (pipes->output >= 0 || pipes->report >= 0 || !ended) {
        int wait = -1;
        if (deadline) {
            long long left = deadline - NowMs();
            if (left <= 0) return false;
            wait = left > INT_MAX ? INT_MAX : (int)left;
        }
        pollfd fds[3] = {{pipes->output, POLLIN, 0}, {pipes->report, POLLIN, 0}, {ended ? -1 : pidfd, POLLIN, 0}};
        if (poll(fds, 3, wait) < 0) {
            if (errno == EINTR) continue;
            return true;
        }
        if (fds[2].revents) ended = true;
        int* fd[2] = {&pipes->output, &pipes->report};
        std::string* text[2] = {&run->output, &run->report};
        for (int i = 0; i < 2; ++i) {
            if (!fds[i].revents) continue;
            char buffer[4096];
            ssize_t n = read(*fd[i], buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                close(*fd[i]);
                *fd[i] = -1;
            } else if (text[i]->size() < kMaxOutput) {
                text[i]->append(buffer, (size_t)n);
            }
        }
    }
    return true;
}

}  // namespace

ToolRun RunTool(const std::vector<std::string>& args, const std::string* secret, const ToolLimits& limits) {
    ToolRun run;
    int out[2] = {-1, -1}, pass[2] = {-1, -1}, failed[2] = {-1, -1}, report[2] = {-1, -1};
    // The secret fits the pipe's buffer, so writing it before the child reads cannot block.
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(failed, O_CLOEXEC) != 0 ||
        (limits.reportPipe && pipe2(report, O_CLOEXEC) != 0) ||
        (secret && (secret->size() > 4096 || pipe2(pass, O_CLOEXEC) != 0))) {
        CloseBoth(out), CloseBoth(failed), CloseBoth(pass), CloseBoth(report);
        return run;
    }
    if (secret) {
        bool written = write(pass[1], secret->data(), secret->size()) == (ssize_t)secret->size();
        close(pass[1]);
        pass[1] = -1;
        if (!written) {
            CloseBoth(out), CloseBoth(failed), CloseBoth(pass), CloseBoth(report);
            return run;
        }
    }
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const bool limited = limits.timeoutSeconds > 0;
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid == 0) {
        // Nothing it runs outlives us (nor a limit no one is left to enforce); with a limit, its own group
        // is what the limit kills.
        if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent || (limited && setpgid(0, 0) != 0))
            _exit(127);
        int fail = Lift(failed[1]), output = Lift(out[1]), key = Lift(pass[0]), said = Lift(report[1]);
        int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (null < 0 || output < 0 || dup2(null, 0) < 0 || fcntl(0, F_SETFD, 0) < 0 || dup2(output, 1) < 0 ||
            dup2(output, 2) < 0 || (secret && (key < 0 || dup2(key, 3) < 0)) ||
            (limits.reportPipe && (said < 0 || dup2(said, 4) < 0)))
            _exit(127);
        execvp(argv[0], argv.data());
        int err = errno;
        if (write(fail, &err, sizeof err) < 0) _exit(127);
        _exit(127);
    }
    // Either side may come first; the group must exist before a kill aims at it.
    if (pid > 0 && limited) setpgid(pid, pid);
    close(out[1]), close(failed[1]);
    if (report[1] >= 0) close(report[1]);
    if (pass[0] >= 0) close(pass[0]);
    if (pid < 0) {
        close(out[0]), close(failed[0]);
        if (report[0] >= 0) close(report[0]);
        return run;
    }
    int pidfd = limited ? OpenPidFd(pid) : -1;
    Pipes pipes;
    pipes.output = out[0], pipes.report = report[0];
    if (!Follow(&pipes, pidfd, limited ? NowMs() + limits.timeoutSeconds * 1000LL : 0, &run)) {
        run.timedOut = true;
        kill(-pid, SIGKILL);
        Follow(&pipes, -1, NowMs() + kDrainMs, &run);
    }
    if (pipes.output >= 0) close(pipes.output);
    if (pipes.report >= 0) close(pipes.report);
    if (pidfd >= 0) close(pidfd);
    int err = 0;
    ssize_t n;
    while ((n = read(failed[0], &err, sizeof err)) < 0 && errno == EINTR) {}
    close(failed[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    run.started = n != (ssize_t)sizeof err;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return run;
}

std::string ToolReason(const std::string& output) {
    std::string reason, line;
    for (size_t i = 0; i <= output.size(); ++i) {
        if (i < output.size() && output[i] != '\n') {
            line += output[i];
            continue;
        }
        size_t b = line.find_first_not_of(" \t\r");
        line = b == std::string::npos ? std::string() : line.substr(b);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        // OpenSSL's own lines start with a thread id and repeat what osslsigncode says.
        bool openssl = line.find(":error:") != std::string::npos;
        bool says = line.find("rror") != std::string::npos || line.find("ailed to") != std::string::npos ||
                    line.find("MISMATCH") != std::string::npos || line.find("Unrecognized") != std::string::npos ||
                    line.find("No signature") != std::string::npos || line.find("annot") != std::string::npos ||
                    line.find("not supported") != std::string::npos || line.find("nable to") != std::string::npos ||
                    line.find("nvalid") != std::string::npos;
        if (says && !openssl && reason.find(line) == std::string::npos && reason.size() < 400)
            reason += (reason.empty() ? "" : "; ") + line;
        line.clear();
    }
    return reason.empty() ? "it gives no reason" : reason;
}
