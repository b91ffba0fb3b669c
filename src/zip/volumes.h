#pragma once
// Multi-volume archives: the volume sizes, the volume state and the names of
// the volume files.
#include "zip/zatypes.h"

#include <cstdint>
#include <string>

namespace hsa::zip {

enum class ZAVolumeSize : uint8_t {
    AutoDetect,   // the volume takes what the disk holds
    Custom,       // CustomVolumeSize
    Size1_44MB,
    Size100MB,
    Size200MB,
    Size250MB,
    Size600MB,
    Size650MB,
    Size700MB,
    Size4700MB,
};

// Bytes of a volume of the given kind; -1 for AutoDetect (free space decides).
int64_t VolumeSizeBytes(ZAVolumeSize size, int64_t customSize);

class ZASpanningOptions {
public:
    static constexpr int64_t kLeastCustomSize = 65536;

    bool AdvancedNaming = false;
    int64_t FirstVolumeSize = 0;        // 0: as the others
    ZAVolumeSize VolumeSize = ZAVolumeSize::AutoDetect;

    int64_t CustomVolumeSize() const { return customVolumeSize_; }
    // Values below 65536 (negative ones too) become 65536.
    void SetCustomVolumeSize(int64_t size);

    // Size of the volume with this zero-based number; -1 when not fixed.
    int64_t VolumeSizeFor(int volumeNumber) const;

private:
    int64_t customVolumeSize_ = 0;
};

// The position in the volume sequence.
class ZAVolumeNumberInfo {
public:
    enum class State : uint8_t { First = 0, Last = 1, Numbered = 2, Unknown = 3 };

    void Reset()
    {
        state_ = State::Unknown;
        number_ = -1;
        last_ = -1;
    }
    void MakeFirst()
    {
        number_ = 0;
        state_ = State::First;
    }
    bool IsFirst() const { return number_ == 0; }
    void MakeLast()
    {
        number_ = last_;
        state_ = State::Last;
    }
    bool IsLast() const { return last_ >= 0 ? number_ == last_ : state_ == State::Last; }
    void SetNumber(int n)
    {
        number_ = n;
        state_ = State::Numbered;
    }
    void SetLastNumber(int n) { last_ = n; }
    bool Equals(const ZAVolumeNumberInfo& o) const;

    State state() const { return state_; }
    int Number() const { return number_; }
    int LastNumber() const { return last_; }

private:
    State state_ = State::Unknown;
    int number_ = -1;
    int last_ = -1;
};

// True when the extension, in lower case, contains ".exe".
bool IsExecutableName(const std::string& fileName);

struct VolumeNaming {
    SpanningMode mode = SpanningMode::None;
    bool advancedNaming = false;
    bool selfExtracting = false;     // base offset, stub or executable name
    int compressionMethod = 8;       // 252 or more: the ".ZA" / ".F" names
};

// The file name of the volume with the zero-based index (-1: the last
// volume), without looking at the disk.  Split volumes keep the case of the
// archive's extension (name.zip is split into name.z01, NAME.ZIP into
// NAME.Z01), as case-sensitive file systems and peers expect.
std::string VolumeFileName(const std::string& archiveName, int index, const VolumeNaming& naming);

} // namespace hsa::zip
