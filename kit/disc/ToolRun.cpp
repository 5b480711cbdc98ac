#include "kit/disc/ToolRun.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

const size_t kMaxOutput = 64 * 1024;

void CloseBoth(int fds[2]) {
    if (fds[0] >= 0) close(fds[0]);
    if (fds[1] >= 0) close(fds[1]);
    fds[0] = fds[1] = -1;
}

}  // namespace

ToolRun RunTool(const std::vector<std::string>& args, const std::string* secret) {
    ToolRun run;
    int out[2] = {-1, -1}, pass[2] = {-1, -1}, failed[2] = {-1, -1};
    // The secret fits the pipe's buffer, so writing it before the child reads cannot block.
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(failed, O_CLOEXEC) != 0 ||
        (secret && (secret->size() > 4096 || pipe2(pass, O_CLOEXEC) != 0))) {
        CloseBoth(out), CloseBoth(failed), CloseBoth(pass);
        return run;
    }
    if (secret) {
        bool written = write(pass[1], secret->data(), secret->size()) == (ssize_t)secret->size();
        close(pass[1]);
        pass[1] = -1;
        if (!written) {
            CloseBoth(out), CloseBoth(failed), CloseBoth(pass);
            return run;
        }
    }
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_RDONLY);
        if (null < 0 || dup2(null, 0) < 0 || dup2(out[1], 1) < 0 || dup2(out[1], 2) < 0 ||
            (secret && dup2(pass[0], 3) < 0))
            _exit(127);
        execvp(argv[0], argv.data());
        int err = errno;
        if (write(failed[1], &err, sizeof err) < 0) _exit(127);
        _exit(127);
    }
    close(out[1]), close(failed[1]);
    if (pass[0] >= 0) close(pass[0]);
    if (pid < 0) {
        close(out[0]), close(failed[0]);
        return run;
    }
    char buffer[4096];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) != 0) {
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (run.output.size() < kMaxOutput) run.output.append(buffer, (size_t)n);
    }
    close(out[0]);
    int err = 0;
    while ((n = read(failed[0], &err, sizeof err)) < 0 && errno == EINTR) {}
    close(failed[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    run.started = n != (ssize_t)sizeof err;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
