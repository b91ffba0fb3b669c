#include "zip/dirarray.h"

#include "zip/codepage.h"
#include "zip/zaerrors.h"
#include "zip/zipstream.h"

#include <cstring>
#include <ctime>
#include <random>
#include <sys/random.h>

namespace hsa::zip {

bool DirItem::IsDirectory() const
{
    if (!name.empty() && (name.back() == '/' || name.back() == '\\'))
        return true;
    return false;
}

namespace {

struct SipKey {
    uint64_t k0, k1;
    SipKey()
    {
        uint64_t k[2] = {0, 0};
        if (getrandom(k, sizeof k, 0) != ssize_t(sizeof k)) {
            std::random_device rd;
            k[0] = (uint64_t(rd()) << 32) ^ rd();
            k[1] = (uint64_t(rd()) << 32) ^ rd();
        }
        k0 = k[0];
        k1 = k[1];
    }
};

const SipKey& Key()
{
    static const SipKey key;
    return key;
}

inline uint64_t Rotl(uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

// SipHash-1-3 over the bytes of the key.
uint64_t SipHash13(const unsigned char* in, size_t len, uint64_t k0, uint64_t k1)
{
    uint64_t v0 = 0x736f6d6570736575ULL ^ k0, v1 = 0x646f72616e646f6dULL ^ k1;
    uint64_t v2 = 0x6c7967656e657261ULL ^ k0, v3 = 0x7465646279746573ULL ^ k1;
    auto round = [&] {
        v0 += v1; v1 = Rotl(v1, 13); v1 ^= v0; v0 = Rotl(v0, 32);
        v2 += v3; v3 = Rotl(v3, 16); v3 ^= v2;
        v0 += v3; v3 = Rotl(v3, 21); v3 ^= v0;
        v2 += v1; v1 = Rotl(v1, 17); v1 ^= v2; v2 = Rotl(v2, 32);
    };
    const size_t end = len - (len % 8);
    for (size_t i = 0; i < end; i += 8) {
        uint64_t m;
        std::memcpy(&m, in + i, 8);
        v3 ^= m;
        round();
        v0 ^= m;
    }
    uint64_t b = uint64_t(len) << 56;
    for (size_t i = 0; i < len % 8; ++i)
        b |= uint64_t(in[end + i]) << (8 * i);
    v3 ^= b;
    round();
    v0 ^= b;
    v2 ^= 0xff;
    round();
    round();
    round();
    return v0 ^ v1 ^ v2 ^ v3;
}

} // namespace

size_t NameIndex::SeededHash::operator()(const std::string& s) const
{
    const SipKey& k = Key();
    return size_t(SipHash13(reinterpret_cast<const unsigned char*>(s.data()), s.size(), k.k0, k.k1));
}

void NameIndex::Clear()
{
    map_.clear();
    valid_ = false;
}

void NameIndex::Rebuild(const std::vector<std::string>& keys)
{
    map_.clear();
    map_.reserve(keys.size() < 1000 ? 1000 : keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        map_.emplace(keys[i], int(i));   // the first index of a key wins
    valid_ = true;
}

int NameIndex::Find(const std::vector<std::string>& keys, const std::string& key)
{
    if (!valid_)
        Rebuild(keys);
    const auto it = map_.find(key);
    return it == map_.end() ? -1 : it->second;
}

void NameIndex::Added(const std::vector<std::string>& keys, int index)
{
    if (valid_)
        map_.emplace(keys[size_t(index)], index);
}

void NameIndex::Replaced(const std::string& oldKey, const std::string& newKey, int index)
{
    if (!valid_)
        return;
    const auto it = map_.find(oldKey);
    if (it != map_.end() && it->second == index) {
        // Another entry may carry the same key (a damaged archive): rebuild.
        map_.erase(it);
        valid_ = false;
        return;
    }
    map_.emplace(newKey, index);
}

void DirArray::SetCount(int n)
{
    if (n <= 0) {
        Clear();
        return;
    }
    if (size_t(n) < items_.size()) {
        items_.resize(size_t(n));
        keys_.resize(size_t(n));
        index_.Invalidate();
    } else {
        while (items_.size() < size_t(n)) {
            items_.emplace_back();
            keys_.emplace_back();
        }
        index_.Invalidate();
    }
}

DirItem DirArray::Get(int i) const
{
    if (i < 0 || i >= Count())
        throw EZAException(err::IndexGet);
    return items_[size_t(i)];
}

DirItem& DirArray::Ref(int i)
{
    if (i < 0 || i >= Count())
        throw EZAException(err::IndexRef);
    return items_[size_t(i)];
}

const DirItem& DirArray::Ref(int i) const
{
    if (i < 0 || i >= Count())
        throw EZAException(err::IndexRef);
    return items_[size_t(i)];
}

void DirArray::Put(int i, const DirItem& item)
{
    if (i < 0 || i > Count())
        throw EZAException(err::IndexPut);
    if (i == Count()) {
        Append(item);
        return;
    }
    const std::string oldKey = keys_[size_t(i)];
    items_[size_t(i)] = item;
    keys_[size_t(i)] = LowerName(item.name);
    index_.Replaced(oldKey, keys_[size_t(i)], i);
}

void DirArray::Append(DirItem item)
{
    keys_.push_back(LowerName(item.name));
    items_.push_back(std::move(item));
    index_.Added(keys_, Count() - 1);
}

void DirArray::Delete(int i)
{
    if (i < 0 || i >= Count())
        throw EZAException(err::IndexDelete);
    items_.erase(items_.begin() + i);
    keys_.erase(keys_.begin() + i);
    index_.Invalidate();
}

int DirArray::Find(const std::string& name)
{
    return index_.Find(keys_, LowerName(name));
}

void DirArray::Rename(int i, const std::string& newName)
{
    if (i < 0 || i >= Count())
        throw EZAException(err::HashRename);
    const std::string oldKey = keys_[size_t(i)];
    items_[size_t(i)].name = newName;
    keys_[size_t(i)] = LowerName(newName);
    index_.Replaced(oldKey, keys_[size_t(i)], i);
}

void DirArray::Assign(const DirArray& other)
{
    items_ = other.items_;
    keys_ = other.keys_;
    index_.Clear();
}

void DirArray::ClearSelected()
{
    for (auto& it : items_)
        it.selected = false;
}

void DirArray::Clear()
{
    items_.clear();
    keys_.clear();
    index_.Clear();
}

uint32_t UnixToDosDateTime(int64_t unixTime)
{
    std::time_t t = std::time_t(unixTime);
    std::tm tm {};
    if (!localtime_r(&t, &tm))
        return (1u << 21) | (1u << 16);
    int year = tm.tm_year + 1900;
    if (year < 1980) {
        // Before the DOS epoch: the earliest representable moment.
        return (0u << 25) | (1u << 21) | (1u << 16);
    }
    if (year > 2107)
        year = 2107;
    const uint32_t date = uint32_t(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
    const uint32_t time = uint32_t((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
    return (date << 16) | time;
}

int64_t DosDateTimeToUnix(uint32_t dos)
{
    std::tm tm {};
    const uint32_t date = dos >> 16, time = dos & 0xFFFF;
    tm.tm_year = int((date >> 9) & 0x7F) + 80;
    tm.tm_mon = int((date >> 5) & 0x0F) - 1;
    tm.tm_mday = int(date & 0x1F);
    tm.tm_hour = int((time >> 11) & 0x1F);
    tm.tm_min = int((time >> 5) & 0x3F);
    tm.tm_sec = int((time & 0x1F) * 2);
    tm.tm_isdst = -1;
    if (tm.tm_mon < 0)
        tm.tm_mon = 0;
    if (tm.tm_mday == 0)
        tm.tm_mday = 1;
    return int64_t(std::mktime(&tm));
}

} // namespace hsa::zip
