#include "zip/crypto/hashregistry.h"

#include <algorithm>
#include <cctype>
#include <mutex>

#include "zip/crypto/sha1.h"

namespace hsa {

namespace {

constexpr std::size_t kMaxNameCompared = 19;

struct Registry {
    std::mutex mutex;
    std::array<const HashDescriptor*, kHashRegistrySlots> slots{};
};

bool Acceptable(std::uint32_t id, const HashDescriptor* d) {
    return d != nullptr && id < kHashRegistrySlots && d->algorithmId == id &&
           d->signature == kHashDescriptorSignature && d->descriptorVersion == kHashDescriptorVersion &&
           d->descriptorSize == kHashDescriptorSize && d->init && d->update && d->final &&
           d->digestLength > 0 && d->digestLength <= kMaxHashDigestLength && d->blockLength > 0 &&
           d->blockLength <= kMaxHashBlockLength && d->digestLength <= d->blockLength;
}

void RegisterBuiltins(Registry& r) {
    const HashDescriptor& sha1 = Sha1Descriptor();
    r.slots[sha1.algorithmId] = &sha1;
}

// The built-in hashes register themselves the first time the registry is
// touched, so they are present whatever the order of static initialisation.
Registry& TheRegistry() {
    static Registry registry;
    static std::once_flag once;
    std::call_once(once, [] { RegisterBuiltins(registry); });
    return registry;
}

std::string UpperName(std::string_view name) {
    std::string s(name.substr(0, kMaxNameCompared));
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

bool RegisterHash(std::uint32_t id, const HashDescriptor* descriptor) {
    if (!Acceptable(id, descriptor)) return false;
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.slots[id] = descriptor;
    return true;
}

const HashDescriptor* FindHash(std::uint32_t id) {
    if (id >= kHashRegistrySlots) return nullptr;
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    const HashDescriptor* d = r.slots[id];
    if (d && d->signature == kHashDescriptorSignature && d->algorithmId == id) return d;
    return nullptr;
}

const HashDescriptor* FindHashByName(std::string_view name) {
    const std::string wanted = UpperName(name);
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    for (const HashDescriptor* d : r.slots) {
        if (d && UpperName(d->name) == wanted) return d;
    }
    return nullptr;
}

void HashBuffer(const HashDescriptor& descriptor, const void* data, std::size_t length,
                std::uint8_t* digest) {
    HashContext context;
    descriptor.init(context);
    descriptor.update(context, static_cast<const std::uint8_t*>(data), length);
    descriptor.final(context, digest);
}

void ResetHashRegistry() {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    r.slots.fill(nullptr);
    RegisterBuiltins(r);
}

}  // namespace hsa
