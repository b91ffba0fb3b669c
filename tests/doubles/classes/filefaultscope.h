#pragma once
#include "classes/fileops.h"

#include <atomic>
#include <functional>

namespace hsa {

// While alive, counts the file steps whose kind is in `kinds` and makes the
// failAt-th of them fail (1-based), as a full disk would.  failAt 0 counts
// only; a test first counts the steps of an operation, then runs it once with
// each of them failing.  Scopes do not nest.
class FileFaultScope : public FileStepFaults {
public:
    explicit FileFaultScope(int failAt, unsigned kinds = kAllFileSteps);
    ~FileFaultScope() override;
    FileFaultScope(const FileFaultScope&) = delete;
    FileFaultScope& operator=(const FileFaultScope&) = delete;
    // Steps counted so far (the failed one included).
    int steps() const { return count_.load(); }
    // True once the armed step has failed.
    bool fired() const { return fired_.load(); }
    // Calls watch right before every counted step, so that a test can look
    // at the disk at that moment.
    void watch(std::function<void(FileStep)> watch) { watch_ = std::move(watch); }

    bool fails(FileStep step) override;

private:
    const int failAt_;
    const unsigned kinds_;
    std::atomic<int> count_{0};
    std::atomic<bool> fired_{false};
    std::function<void(FileStep)> watch_;
};

} // namespace hsa
