#include "zip/crypto/securerandom.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#if defined(__linux__)
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>
#elif defined(_WIN32)
#include <windows.h>
#include <bcrypt.h>
#else
#include <stdlib.h>
#endif

namespace hsa {

namespace {

[[noreturn]] void Fail(int error) {
    throw std::runtime_error("Zufallsgenerator des Systems nicht verfügbar: " +
                             std::string(std::strerror(error)));
}

#if defined(__linux__)
// Older kernels lack getrandom(); /dev/urandom gives the same generator.
void FillFromDevice(std::uint8_t* out, std::size_t count) {
    int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail(errno);
    while (count > 0) {
        ssize_t n = ::read(fd, out, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int error = n < 0 ? errno : EIO;
            ::close(fd);
            Fail(error);
        }
        out += n;
        count -= std::size_t(n);
    }
    ::close(fd);
}
#endif

}  // namespace

void FillSecureRandom(std::uint8_t* out, std::size_t count) {
#if defined(__linux__)
    while (count > 0) {
        ssize_t n = ::getrandom(out, count, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == ENOSYS) {
                FillFromDevice(out, count);
                return;
            }
            Fail(errno);
        }
        out += n;
        count -= std::size_t(n);
    }
#elif defined(_WIN32)
    while (count > 0) {
        ULONG chunk = count > 0x10000000 ? 0x10000000 : ULONG(count);
        if (BCryptGenRandom(nullptr, out, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) Fail(EIO);
        out += chunk;
        count -= chunk;
    }
#else
    arc4random_buf(out, count);
#endif
}

std::vector<std::uint8_t> SecureRandomBytes(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    FillSecureRandom(bytes.data(), count);
    return bytes;
}

}  // namespace hsa
