#include "classes/fileops.h"

#include "platform/programwide.h"

#include <QFile>

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace hsa {

namespace {

std::atomic<FileStepFaults*> g_faults{nullptr};

const ProgramWideReset resetFileStepFaults(ResetOrder::Objects, [] { SetFileStepFaults(nullptr); });

} // namespace

void SetFileStepFaults(FileStepFaults* faults)
{
    g_faults = faults;
}

bool FileStepFails(FileStep step)
{
    FileStepFaults* faults = g_faults.load(std::memory_order_relaxed);
    if (!faults || !faults->fails(step))
        return false;
    errno = ENOSPC;
    return true;
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
