/* Fails one file-system call, chosen by its number, for test_write_faults.py
 * (LD_PRELOAD). Counted are the calls that write below BX_FAIL_UNDER: opens
 * that write or make (and O_PATH or folder opens, the base of the kit's
 * writes, openat2 included), making, renaming, linking and removing names,
 * modes, and on descriptors open for writing there: writes, fsync,
 * fdatasync, truncation and close (stdio's fopen, fwrite and fclose too).
 * A rename or link counts by the name it makes.
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
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

/* Fortified builds' names, which no header declares here. */
int __open_2(const char* path, int flags);
int __open64_2(const char* path, int flags);

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

/* One wrapper a line: the call counted by its path (dirfd and path), or by
 * its descriptor (fd; any: whatever it is open for), and failed or passed on. */
#define BY_PATH(type, name, params, dirfd, path, args) \
    type name params { \
        REAL(name); \
        if (fails_path(#name, dirfd, path)) FAIL(type); \
        return real_##name args; \
    }
#define BY_FD(type, name, params, fd, any, args) \
    type name params { \
        REAL(name); \
        if (fails_fd(#name, fd, any)) FAIL(type); \
        return real_##name args; \
    }
/* The mode an open that makes a file takes. */
#define TAKE_MODE \
    va_list ap; \
    va_start(ap, flags); \
    mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(ap, int) : 0; \
    va_end(ap)

int open(const char* path, int flags, ...) {
    TAKE_MODE;
    REAL(open);
    if (fails_open("open", AT_FDCWD, path, flags)) FAIL(int);
    return real_open(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    TAKE_MODE;
    REAL(open64);
    if (fails_open("open", AT_FDCWD, path, flags)) FAIL(int);
    return real_open64(path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...) {
    TAKE_MODE;
    REAL(openat);
    if (fails_open("openat", dirfd, path, flags)) FAIL(int);
    return real_openat(dirfd, path, flags, mode);
}

int openat64(int dirfd, const char* path, int flags, ...) {
    TAKE_MODE;
    REAL(openat64);
    if (fails_open("openat", dirfd, path, flags)) FAIL(int);
    return real_openat64(dirfd, path, flags, mode);
}

/* Fortified callers' opens, which take no mode. */
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

static FILE* stdio_open(FILE* (*real)(const char*, const char*), const char* path, const char* mode) {
    if (strpbrk(mode, "wa+") && fails_path("fopen", AT_FDCWD, path)) {
        errno = g_errno;
        return NULL;
    }
    return real(path, mode);
}

FILE* fopen(const char* path, const char* mode) {
    REAL(fopen);
    return stdio_open(real_fopen, path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    REAL(fopen64);
    return stdio_open(real_fopen64, path, mode);
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

int close(int fd) {
    REAL(close);
    int failed = fails_fd("close", fd, 0);
    int r = real_close(fd);
    if (failed) FAIL(int);
    return r;
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

BY_FD(ssize_t, write, (int fd, const void* data, size_t n), fd, 0, (fd, data, n))
BY_FD(ssize_t, pwrite, (int fd, const void* data, size_t n, off_t at), fd, 0, (fd, data, n, at))
BY_FD(ssize_t, pwrite64, (int fd, const void* data, size_t n, off64_t at), fd, 0, (fd, data, n, at))
BY_FD(ssize_t, writev, (int fd, const struct iovec* iov, int n), fd, 0, (fd, iov, n))
BY_FD(int, ftruncate, (int fd, off_t size), fd, 0, (fd, size))
BY_FD(int, ftruncate64, (int fd, off64_t size), fd, 0, (fd, size))
BY_FD(int, fchmod, (int fd, mode_t mode), fd, 1, (fd, mode))
BY_PATH(int, fchmodat, (int dirfd, const char* path, mode_t mode, int flags), dirfd, path, (dirfd, path, mode, flags))
BY_PATH(int, mkdir, (const char* path, mode_t mode), AT_FDCWD, path, (path, mode))
BY_PATH(int, mkdirat, (int dirfd, const char* path, mode_t mode), dirfd, path, (dirfd, path, mode))
BY_PATH(int, rename, (const char* from, const char* to), AT_FDCWD, to, (from, to))
BY_PATH(int, renameat, (int fromDir, const char* from, int toDir, const char* to), toDir, to,
        (fromDir, from, toDir, to))
BY_PATH(int, renameat2, (int fromDir, const char* from, int toDir, const char* to, unsigned flags), toDir, to,
        (fromDir, from, toDir, to, flags))
BY_PATH(int, link, (const char* from, const char* to), AT_FDCWD, to, (from, to))
BY_PATH(int, linkat, (int fromDir, const char* from, int toDir, const char* to, int flags), toDir, to,
        (fromDir, from, toDir, to, flags))
BY_PATH(int, unlink, (const char* path), AT_FDCWD, path, (path))
BY_PATH(int, unlinkat, (int dirfd, const char* path, int flags), dirfd, path, (dirfd, path, flags))
BY_PATH(int, rmdir, (const char* path), AT_FDCWD, path, (path))
