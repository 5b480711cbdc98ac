/* Fails one file-system call, chosen by its number, for test_write_faults.py
 * (LD_PRELOAD). Counted are the calls that write below BX_FAIL_UNDER: opens
 * that write or make (and O_PATH or folder opens, the base of the kit's
 * writes, openat2 included), making, renaming, linking and removing names,
 * modes, and on descriptors open for writing there: writes, fsync,
 * fdatasync, truncation and close (stdio's fopen, fwrite and fclose too).
 * Reading is never counted, so a Python's imports and a tool's reading of
 * the disc do not move the numbers.
 *
 *   BX_FAIL_UNDER  the test's tree (absolute); nothing outside it counts
 *   BX_FAIL_AT     the number of the call that fails; 0 or unset: none
 *   BX_FAIL_ERRNO  its errno: ENOSPC (default), EIO, or a number
 *   BX_FAIL_COUNT  a file holding the count, shared with child processes
 *   BX_FAIL_LOG    where each counted call is noted: "N PID name path",
 *                  the failed one with " FAILED"
 *   BX_FAIL_TOOLS  "all": the calls of the programs the command runs count
 *                  as its own; else only the first of each such program.
 *                  A program that has had its call fail has every later one
 *                  fail too, as on a disk that stays full.
 *
 * A failed close or fclose is what the kernel gives: the descriptor is gone
 * all the same. Other calls fail without doing anything. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

/* Fortified builds' names, which no header declares here. */
int __open_2(const char* path, int flags);
int __open64_2(const char* path, int flags);
int __openat_2(int dirfd, const char* path, int flags);
int __openat64_2(int dirfd, const char* path, int flags);

#define REAL(name) \
    static __typeof__(name)* real_##name; \
    if (!real_##name) real_##name = (__typeof__(name)*)dlsym(RTLD_NEXT, #name)

static long* g_count;
static long g_own_count;
static long g_fail_at = -1;
static int g_errno = ENOSPC;
static const char* g_under;
static pid_t g_command;  // the process the test started; the others are the programs it runs
static int g_tool_counted, g_tool_failed;

/* Before main, so that the programs it starts see that they are not the command. */
__attribute__((constructor)) static void mark_command(void) {
    const char* command = getenv("BX_FAIL_COMMAND");
    if (command) {
        g_command = (pid_t)atol(command);
        return;
    }
    char pid[24];
    snprintf(pid, sizeof pid, "%d", (int)getpid());
    setenv("BX_FAIL_COMMAND", pid, 1);
    g_command = getpid();
}

static void setup(void) {
    static int done;
    if (done) return;
    done = 1;
    g_under = getenv("BX_FAIL_UNDER");
    const char* at = getenv("BX_FAIL_AT");
    g_fail_at = at && *at ? atol(at) : 0;
    const char* e = getenv("BX_FAIL_ERRNO");
    if (e && strcmp(e, "EIO") == 0) g_errno = EIO;
    else if (e && *e >= '0' && *e <= '9') g_errno = atoi(e);
    g_count = &g_own_count;
    const char* file = getenv("BX_FAIL_COUNT");
    int fd = file ? (int)syscall(SYS_openat, AT_FDCWD, file, O_RDWR | O_CLOEXEC) : -1;
    if (fd >= 0) {
        void* shared = mmap(NULL, sizeof(long), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (shared != MAP_FAILED) g_count = (long*)shared;
        syscall(SYS_close, fd);
    }
}

static int inside(const char* path) {
    size_t n = strlen(g_under);
    return strncmp(path, g_under, n) == 0 && (path[n] == '/' || path[n] == '\0');
}

/* The path as the kernel would start from it: dirfd's folder or the working one. */
static int resolve(int dirfd, const char* path, char* out, size_t size) {
    if (!path) return 0;
    if (path[0] == '/') return snprintf(out, size, "%s", path) < (int)size;
    char base[4096], link[64];
    ssize_t n;
    if (dirfd == AT_FDCWD) {
        if (!getcwd(base, sizeof base)) return 0;
        n = (ssize_t)strlen(base);
    } else {
        snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
        n = readlink(link, base, sizeof base - 1);
        if (n < 0) return 0;
    }
    base[n] = '\0';
    return snprintf(out, size, "%s/%s", base, path) < (int)size;
}

static void note(long n, const char* name, const char* path, int failed) {
    const char* log = getenv("BX_FAIL_LOG");
    if (!log) return;
    char line[4400];
    int len = snprintf(line, sizeof line, "%ld %d %s %s%s\n", n, (int)getpid(), name, path, failed ? " FAILED" : "");
    int fd = (int)syscall(SYS_openat, AT_FDCWD, log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    if (len > (int)sizeof line) len = (int)sizeof line;
    ssize_t ignored = syscall(SYS_write, fd, line, (size_t)len);
    (void)ignored;
    syscall(SYS_close, fd);
}

/* Counts the call when its path lies in the tree; true when it is the one to fail. */
static int fails_path(const char* name, int dirfd, const char* path) {
    setup();
    char full[4096];
    if (!g_under || !resolve(dirfd, path, full, sizeof full) || !inside(full)) return 0;
    int tool = getpid() != g_command;
    if (tool && g_tool_failed) return 1;
    if (tool) {
        const char* tools = getenv("BX_FAIL_TOOLS");
        if (g_tool_counted && !(tools && strcmp(tools, "all") == 0)) return 0;
        g_tool_counted = 1;
    }
    long n = __atomic_add_fetch(g_count, 1, __ATOMIC_SEQ_CST);
    int failed = n == g_fail_at;
    note(n, name, full, failed);
    g_tool_failed = tool && failed;
    return failed;
}

static int fails_two(const char* name, int dir1, const char* path1, int dir2, const char* path2) {
    setup();
    char a[4096], b[4096];
    int in1 = g_under && resolve(dir1, path1, a, sizeof a) && inside(a);
    int in2 = g_under && resolve(dir2, path2, b, sizeof b) && inside(b);
    if (!in1 && !in2) return 0;
    return fails_path(name, AT_FDCWD, in1 ? a : b);
}

/* Descriptors count when open for writing (any for fchmod) and in the tree. */
static int fails_fd(const char* name, int fd, int any) {
    setup();
    if (!g_under || fd < 0) return 0;
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || (!any && ((flags & O_PATH) || (flags & O_ACCMODE) == O_RDONLY))) return 0;
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0 || path[0] != '/') return 0;  // a pipe or a socket
    path[n] = '\0';
    return fails_path(name, AT_FDCWD, path);
}

static int writes(int flags) {
    return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC | O_PATH | O_DIRECTORY)) != 0;
}

static int fails_open(const char* name, int dirfd, const char* path, int flags) {
    return writes(flags) && fails_path(name, dirfd, path);
}

#define FAIL(type) \
    do { \
        errno = g_errno; \
        return (type)-1; \
    } while (0)

static mode_t mode_arg(int flags, va_list ap) {
    return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(ap, int) : 0;
}

int open(const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    REAL(open);
    if (fails_open("open", AT_FDCWD, path, flags)) FAIL(int);
    return real_open(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    REAL(open64);
    if (fails_open("open", AT_FDCWD, path, flags)) FAIL(int);
    return real_open64(path, flags, mode);
}

int __open_2(const char* path, int flags) {
    REAL(__open_2);
    if (fails_open("open", AT_FDCWD, path, flags)) FAIL(int);
    return real___open_2(path, flags);
}

int __open64_2(const char* path, int flags) {
    REAL(__open64_2);
    if (fails_open("open", AT_FDCWD, path, flags)) FAIL(int);
    return real___open64_2(path, flags);
}

int openat(int dirfd, const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    REAL(openat);
    if (fails_open("openat", dirfd, path, flags)) FAIL(int);
    return real_openat(dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    mode_t mode = mode_arg(flags, ap);
    va_end(ap);
    REAL(openat64);
    if (fails_open("openat", dirfd, path, flags)) FAIL(int);
    return real_openat64(dirfd, path, flags, mode);
}

int __openat_2(int dirfd, const char* path, int flags) {
    REAL(__openat_2);
    if (fails_open("openat", dirfd, path, flags)) FAIL(int);
    return real___openat_2(dirfd, path, flags);
}

int __openat64_2(int dirfd, const char* path, int flags) {
    REAL(__openat64_2);
    if (fails_open("openat", dirfd, path, flags)) FAIL(int);
    return real___openat64_2(dirfd, path, flags);
}

int creat(const char* path, mode_t mode) {
    REAL(creat);
    if (fails_path("creat", AT_FDCWD, path)) FAIL(int);
    return real_creat(path, mode);
}

int creat64(const char* path, mode_t mode) {
    REAL(creat64);
    if (fails_path("creat", AT_FDCWD, path)) FAIL(int);
    return real_creat64(path, mode);
}

/* glibc has no wrapper for openat2: the kit calls it through syscall(). */
long syscall(long number, ...) {
    va_list ap;
    va_start(ap, number);
    long a[6];
    for (int i = 0; i < 6; ++i) a[i] = va_arg(ap, long);
    va_end(ap);
    REAL(syscall);
    if (number == SYS_openat2) {
        const struct open_how* how = (const struct open_how*)a[2];
        if (how && fails_open("openat2", (int)a[0], (const char*)a[1], (int)how->flags)) FAIL(long);
    }
    return real_syscall(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

static int stdio_writes(const char* mode) { return strpbrk(mode, "wa+") != NULL; }

FILE* fopen(const char* path, const char* mode) {
    REAL(fopen);
    if (stdio_writes(mode) && fails_path("fopen", AT_FDCWD, path)) {
        errno = g_errno;
        return NULL;
    }
    return real_fopen(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    REAL(fopen64);
    if (stdio_writes(mode) && fails_path("fopen", AT_FDCWD, path)) {
        errno = g_errno;
        return NULL;
    }
    return real_fopen64(path, mode);
}

size_t fwrite(const void* data, size_t size, size_t n, FILE* f) {
    REAL(fwrite);
    if (size && n && fails_fd("fwrite", fileno(f), 0)) {
        errno = g_errno;
        return 0;
    }
    return real_fwrite(data, size, n, f);
}

int fclose(FILE* f) {
    REAL(fclose);
    int failed = fails_fd("fclose", fileno(f), 0);
    int r = real_fclose(f);
    if (failed) FAIL(int);
    return r;
}

ssize_t write(int fd, const void* data, size_t n) {
    REAL(write);
    if (fails_fd("write", fd, 0)) FAIL(ssize_t);
    return real_write(fd, data, n);
}

ssize_t pwrite(int fd, const void* data, size_t n, off_t at) {
    REAL(pwrite);
    if (fails_fd("pwrite", fd, 0)) FAIL(ssize_t);
    return real_pwrite(fd, data, n, at);
}

ssize_t pwrite64(int fd, const void* data, size_t n, off64_t at) {
    REAL(pwrite64);
    if (fails_fd("pwrite", fd, 0)) FAIL(ssize_t);
    return real_pwrite64(fd, data, n, at);
}

ssize_t writev(int fd, const struct iovec* iov, int n) {
    REAL(writev);
    if (fails_fd("writev", fd, 0)) FAIL(ssize_t);
    return real_writev(fd, iov, n);
}

ssize_t copy_file_range(int in, off64_t* inAt, int out, off64_t* outAt, size_t n, unsigned flags) {
    REAL(copy_file_range);
    if (fails_fd("copy_file_range", out, 0)) FAIL(ssize_t);
    return real_copy_file_range(in, inAt, out, outAt, n, flags);
}

ssize_t sendfile64(int out, int in, off64_t* at, size_t n) {
    REAL(sendfile64);
    if (fails_fd("sendfile", out, 0)) FAIL(ssize_t);
    return real_sendfile64(out, in, at, n);
}

int ftruncate(int fd, off_t size) {
    REAL(ftruncate);
    if (fails_fd("ftruncate", fd, 0)) FAIL(int);
    return real_ftruncate(fd, size);
}

int ftruncate64(int fd, off64_t size) {
    REAL(ftruncate64);
    if (fails_fd("ftruncate", fd, 0)) FAIL(int);
    return real_ftruncate64(fd, size);
}

/* A test's files need not reach the disk: waiting for that under a loaded
 * machine's other writers would take most of the test's time. */
int fsync(int fd) {
    if (fails_fd("fsync", fd, 0)) FAIL(int);
    return 0;
}

int fdatasync(int fd) {
    if (fails_fd("fdatasync", fd, 0)) FAIL(int);
    return 0;
}

int close(int fd) {
    REAL(close);
    int failed = fails_fd("close", fd, 0);
    int r = real_close(fd);
    if (failed) FAIL(int);
    return r;
}

int fchmod(int fd, mode_t mode) {
    REAL(fchmod);
    if (fails_fd("fchmod", fd, 1)) FAIL(int);
    return real_fchmod(fd, mode);
}

int chmod(const char* path, mode_t mode) {
    REAL(chmod);
    if (fails_path("chmod", AT_FDCWD, path)) FAIL(int);
    return real_chmod(path, mode);
}

int fchmodat(int dirfd, const char* path, mode_t mode, int flags) {
    REAL(fchmodat);
    if (fails_path("fchmodat", dirfd, path)) FAIL(int);
    return real_fchmodat(dirfd, path, mode, flags);
}

int mkdir(const char* path, mode_t mode) {
    REAL(mkdir);
    if (fails_path("mkdir", AT_FDCWD, path)) FAIL(int);
    return real_mkdir(path, mode);
}

int mkdirat(int dirfd, const char* path, mode_t mode) {
    REAL(mkdirat);
    if (fails_path("mkdirat", dirfd, path)) FAIL(int);
    return real_mkdirat(dirfd, path, mode);
}

int rename(const char* from, const char* to) {
    REAL(rename);
    if (fails_two("rename", AT_FDCWD, from, AT_FDCWD, to)) FAIL(int);
    return real_rename(from, to);
}

int renameat(int fromDir, const char* from, int toDir, const char* to) {
    REAL(renameat);
    if (fails_two("renameat", fromDir, from, toDir, to)) FAIL(int);
    return real_renameat(fromDir, from, toDir, to);
}

int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) {
    REAL(renameat2);
    if (fails_two("renameat2", fromDir, from, toDir, to)) FAIL(int);
    return real_renameat2(fromDir, from, toDir, to, flags);
}

int link(const char* from, const char* to) {
    REAL(link);
    if (fails_path("link", AT_FDCWD, to)) FAIL(int);
    return real_link(from, to);
}

int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    REAL(linkat);
    if (fails_path("linkat", toDir, to)) FAIL(int);
    return real_linkat(fromDir, from, toDir, to, flags);
}

int symlink(const char* target, const char* path) {
    REAL(symlink);
    if (fails_path("symlink", AT_FDCWD, path)) FAIL(int);
    return real_symlink(target, path);
}

int symlinkat(const char* target, int dirfd, const char* path) {
    REAL(symlinkat);
    if (fails_path("symlinkat", dirfd, path)) FAIL(int);
    return real_symlinkat(target, dirfd, path);
}

int unlink(const char* path) {
    REAL(unlink);
    if (fails_path("unlink", AT_FDCWD, path)) FAIL(int);
    return real_unlink(path);
}

int unlinkat(int dirfd, const char* path, int flags) {
    REAL(unlinkat);
    if (fails_path("unlinkat", dirfd, path)) FAIL(int);
    return real_unlinkat(dirfd, path, flags);
}

int rmdir(const char* path) {
    REAL(rmdir);
    if (fails_path("rmdir", AT_FDCWD, path)) FAIL(int);
    return real_rmdir(path);
}
