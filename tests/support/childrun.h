#pragma once
// Runs a piece of a test in a forked child: one that may die half-way (as a
// killed program does) without taking the test with it, or one whose address
// space may grow only by a given amount, so that a file from outside that
// makes the program allocate far beyond its own size kills the child or
// makes it fail, instead of passing quietly on a machine with memory to spare.
#include <QString>

#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hsa::test {

// A sanitizer reserves terabytes of address space: no limit can be set there.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSpaceLimitWorks = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kAddressSpaceLimitWorks = false;
#else
inline constexpr bool kAddressSpaceLimitWorks = true;
#endif
#else
inline constexpr bool kAddressSpaceLimitWorks = true;
#endif

// The address space this process uses now, in bytes.
inline unsigned long long CurrentAddressSpace()
{
    unsigned long long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%llu", &pages) != 1)
            pages = 0;
        std::fclose(f);
    }
    return pages * static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE));
}

struct LimitedRun {
    bool exited = false;   // false: killed by a signal (an uncaught bad_alloc ends in abort)
    int code = -1;         // the body's result when it exited
    QString describe() const
    {
        return exited ? QStringLiteral("exit %1").arg(code) : QStringLiteral("killed by signal %1").arg(code);
    }
};

// Runs body in a child allowed `extraBytes` beyond what it has at the fork
// (0: no limit); the body's result is its exit code.
inline LimitedRun RunWithMemoryLimit(unsigned long long extraBytes, const std::function<int()>& body)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (extraBytes > 0) {
            const rlimit limit{CurrentAddressSpace() + extraBytes, CurrentAddressSpace() + extraBytes};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        int code = 99;
        try {
            code = body();
        } catch (...) {
            code = 98;
        }
        std::fflush(nullptr);
        ::_exit(code);
    }
    LimitedRun run;
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return run;
    run.exited = WIFEXITED(status);
    run.code = run.exited ? WEXITSTATUS(status) : WTERMSIG(status);
    return run;
}

// Runs body in a child; the body may end the child at any point with _exit.
inline LimitedRun RunInChild(const std::function<int()>& body)
{
    return RunWithMemoryLimit(0, body);
}

} // namespace hsa::test
