#include "zip/crypto/cpufeatures.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace hsa::detail {

namespace {

struct CpuFeatures {
    bool ssse3 = false;
    bool sse41 = false;
    bool aes = false;
    bool sha = false;
};

CpuFeatures Probe() {
    CpuFeatures f;
#if defined(__x86_64__) || defined(__i386__)
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d)) {
        f.ssse3 = (c >> 9) & 1;
        f.sse41 = (c >> 19) & 1;
        f.aes = (c >> 25) & 1;
    }
    if (__get_cpuid_count(7, 0, &a, &b, &c, &d)) f.sha = (b >> 29) & 1;
#endif
    return f;
}

const CpuFeatures& Features() {
    static const CpuFeatures features = Probe();
    return features;
}

}  // namespace

bool CpuHasShaExtensions() {
    const auto& f = Features();
    return f.sha && f.ssse3 && f.sse41;
}

bool CpuHasAesInstructions() {
    const auto& f = Features();
    return f.aes && f.ssse3 && f.sse41;
}

}  // namespace hsa::detail
