#include "platform/instanceguard.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace hsa {

FileLockInstanceGuard::FileLockInstanceGuard(std::string lockDir) : dir_(std::move(lockDir))
{
    if (dir_.empty()) {
        const char* rt = std::getenv("XDG_RUNTIME_DIR");
        if (rt && *rt && ::access(rt, W_OK) == 0) {
            dir_ = rt;
        } else {
            const char* tmp = std::getenv("TMPDIR");
            dir_ = (tmp && *tmp) ? tmp : "/tmp";
        }
    }
}

FileLockInstanceGuard::~FileLockInstanceGuard()
{
    release();
}

std::string FileLockInstanceGuard::lockPath(const std::string& name) const
{
    return dir_ + "/wendra-pruefer-" + name + "-" + std::to_string(::getuid()) + ".lock";
}

bool FileLockInstanceGuard::acquire(const std::string& name)
{
    release();
    const std::string path = lockPath(name);
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true; // no place for a lock: run rather than refuse to start
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        ::close(fd);
        return errno != EWOULDBLOCK;
    }
    fd_ = fd;
    return true;
}

void FileLockInstanceGuard::release()
{
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace hsa
