#pragma once
#include <string>

namespace hsa {

// Keeps a second copy of the program from running.  The real guard holds an
// flock on a file in the user's runtime folder: the system releases it when
// the process ends, however it ends.
class InstanceGuard {
public:
    virtual ~InstanceGuard() = default;
    // Takes the guard named name; false when another process holds it.
    virtual bool acquire(const std::string& name) = 0;
    virtual void release() = 0;
};

class FileLockInstanceGuard : public InstanceGuard {
public:
    // lockDir empty: $XDG_RUNTIME_DIR, else the temporary folder.
    explicit FileLockInstanceGuard(std::string lockDir = {});
    ~FileLockInstanceGuard() override;
    bool acquire(const std::string& name) override;
    void release() override;
    std::string lockPath(const std::string& name) const;

private:
    std::string dir_;
    int fd_ = -1;
};

} // namespace hsa
