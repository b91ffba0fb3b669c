#include "classes/fileops.h"

#include <QFile>

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace hsa {

namespace {

std::atomic<bool> g_armed{false};
std::atomic<int> g_failAt{0};
std::atomic<int> g_count{0};
std::atomic<unsigned> g_kinds{0};
std::atomic<bool> g_fired{false};
std::function<void(FileStep)> g_watch;

} // namespace

bool FileStepFails(FileStep step)
{
    if (!g_armed.load(std::memory_order_relaxed))
        return false;
    if ((g_kinds.load() & static_cast<unsigned>(step)) == 0)
        return false;
    if (g_watch)
        g_watch(step);
    const int n = ++g_count;
    if (n != g_failAt.load())
        return false;
    g_fired = true;
    errno = ENOSPC;
    return true;
}

FileFaultScope::FileFaultScope(int failAt, unsigned kinds)
{
    g_failAt = failAt;
    g_kinds = kinds;
    g_count = 0;
    g_fired = false;
    g_armed = true;
}

FileFaultScope::~FileFaultScope()
{
    g_armed = false;
    g_watch = nullptr;
}

void FileFaultScope::watch(std::function<void(FileStep)> watch)
{
    g_watch = std::move(watch);
}

int FileFaultScope::steps() const
{
    return g_count.load();
}

bool FileFaultScope::fired() const
{
    return g_fired.load();
}

bool RenamePath(const QString& from, const QString& to)
{
    if (FileStepFails(FileStep::Rename))
        return false;
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool RemoveFile(const QString& path)
{
    if (FileStepFails(FileStep::Remove))
        return false;
    return std::remove(QFile::encodeName(path).constData()) == 0;
}

bool WriteFully(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t w = ::write(fd, data, static_cast<size_t>(size));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        data += w;
        size -= w;
    }
    return true;
}

} // namespace hsa
