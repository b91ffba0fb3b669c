#pragma once
// Registry of hash-algorithm descriptors.  HMAC and PBKDF2 work over any
// registered hash; the AES entry transform looks SHA-1 up by its name.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace hsa {

// Working state of one running hash.  Every registered algorithm keeps its
// state inside this block (SHA-1 needs about 100 bytes).
struct HashContext {
    alignas(16) std::array<std::uint8_t, 256> state{};
};

// Largest digest and block length any registered hash may declare; HMAC
// and PBKDF2 size their work areas by these.
inline constexpr std::size_t kMaxHashDigestLength = 64;
inline constexpr std::size_t kMaxHashBlockLength = 128;

inline constexpr std::uint16_t kHashDescriptorSignature = 15738;   // 0x3D7A
inline constexpr std::uint16_t kHashDescriptorSize = 80;
inline constexpr std::uint32_t kHashDescriptorVersion = 0x00010003;
inline constexpr std::uint32_t kHashRegistrySlots = 9;             // ids 0 to 8
inline constexpr std::uint32_t kSha1HashId = 3;

struct HashDescriptor {
    std::uint16_t signature = 0;
    std::uint16_t descriptorSize = 0;
    std::uint32_t descriptorVersion = 0;
    std::uint16_t blockLength = 0;
    std::uint16_t digestLength = 0;
    void (*init)(HashContext& context) = nullptr;
    void (*final)(HashContext& context, std::uint8_t* digest) = nullptr;
    void (*update)(HashContext& context, const std::uint8_t* data, std::size_t length) = nullptr;
    std::uint32_t algorithmId = 0;
    std::string_view name;                         // at most 19 characters are compared
    const std::uint32_t* objectIdentifier = nullptr;
    std::uint32_t objectIdentifierArcs = 0;
    std::array<std::uint8_t, 24> reserved{};
};

// Stores the descriptor in slot id.  Refused (false) when the descriptor is
// missing, its id field differs from id, its signature, version or size is
// not the current one, its digest or block length exceeds the limits above,
// or id lies beyond the table.  The descriptor must outlive the registry.
bool RegisterHash(std::uint32_t id, const HashDescriptor* descriptor);

// The descriptor in slot id, or nullptr (also for ids beyond the table).
const HashDescriptor* FindHash(std::uint32_t id);

// The first registered descriptor (ids in ascending order) whose name equals
// name, compared in upper case over at most 19 characters; nullptr if none.
const HashDescriptor* FindHashByName(std::string_view name);

// Hashes a whole buffer: init, update, final.  digest receives
// descriptor.digestLength bytes.
void HashBuffer(const HashDescriptor& descriptor, const void* data, std::size_t length,
                std::uint8_t* digest);

// Removes every registration except the built-in ones (for tests that
// register descriptors of their own).
void ResetHashRegistry();

}  // namespace hsa
