#pragma once
#include "platform/instanceguard.h"

#include <string>

namespace hsa {

// An instance guard without files: one process-wide table of names held, so
// that two guards in one test process stand for two copies of the program.
class InProcessInstanceGuard : public InstanceGuard {
public:
    ~InProcessInstanceGuard() override;
    bool acquire(const std::string& name) override;
    void release() override;

private:
    std::string held_;
};

} // namespace hsa
