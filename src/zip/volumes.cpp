#include "zip/volumes.h"

#include <cctype>
#include <cstdio>

namespace hsa::zip {

int64_t VolumeSizeBytes(ZAVolumeSize size, int64_t customSize)
{
    switch (size) {
    case ZAVolumeSize::AutoDetect: return -1;
    case ZAVolumeSize::Custom: return customSize;
    case ZAVolumeSize::Size1_44MB: return 1457664;
    case ZAVolumeSize::Size100MB: return 104857600;
    case ZAVolumeSize::Size200MB: return 209715200;
    case ZAVolumeSize::Size250MB: return 262144000;
    case ZAVolumeSize::Size600MB: return 629145600;
    case ZAVolumeSize::Size650MB: return 681574400;
    case ZAVolumeSize::Size700MB: return 734003200;
    case ZAVolumeSize::Size4700MB: return 4928307200LL;
    }
    return -1;
}

void ZASpanningOptions::SetCustomVolumeSize(int64_t size)
{
    customVolumeSize_ = size < kLeastCustomSize ? kLeastCustomSize : size;
}

int64_t ZASpanningOptions::VolumeSizeFor(int volumeNumber) const
{
    if (volumeNumber <= 0 && FirstVolumeSize > 0)
        return FirstVolumeSize;
    const int64_t s = VolumeSizeBytes(VolumeSize, customVolumeSize_);
    // A custom size of 0 was never set: nothing fixed.
    return s > 0 ? s : -1;
}

bool ZAVolumeNumberInfo::Equals(const ZAVolumeNumberInfo& o) const
{
    if (IsLast() && o.IsLast())
        return true;
    if (IsFirst() && o.IsFirst())
        return true;
    if (number_ < 0 && o.number_ < 0)
        return state_ == o.state_;
    return number_ == o.number_;
}

namespace {

std::string Lower(std::string s)
{
    for (auto& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct NameParts {
    std::string folder, base, ext;   // ext with its dot
};

NameParts Split(const std::string& name)
{
    NameParts p;
    const size_t slash = name.find_last_of("/\\");
    p.folder = slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
    const std::string bare = slash == std::string::npos ? name : name.substr(slash + 1);
    const size_t dot = bare.find_last_of('.');
    if (dot == std::string::npos || dot == 0) {
        p.base = bare;
    } else {
        p.base = bare.substr(0, dot);
        p.ext = bare.substr(dot);
    }
    return p;
}

bool HasLower(const std::string& s)
{
    for (char c : s)
        if (std::islower(static_cast<unsigned char>(c)))
            return true;
    return false;
}

} // namespace

bool IsExecutableName(const std::string& fileName)
{
    return Lower(Split(fileName).ext).find(".exe") != std::string::npos;
}

std::string VolumeFileName(const std::string& archiveName, int index, const VolumeNaming& naming)
{
    const NameParts p = Split(archiveName);
    const bool lower = HasLower(p.ext) || (p.ext.empty() && HasLower(p.base));
    auto cased = [&](std::string s) { return lower ? Lower(s) : s; };
    char nnn[16], nn[16];
    std::snprintf(nnn, sizeof nnn, "%.3u", unsigned(index + 1));
    std::snprintf(nn, sizeof nn, "%.2d", index + 1);
    if (index < 0) {
        if (naming.mode == SpanningMode::Splitting && naming.selfExtracting)
            return p.folder + p.base + cased(naming.compressionMethod >= 252 ? ".ZA" : ".ZIP");
        return archiveName;
    }
    if (naming.mode == SpanningMode::Spanning) {
        const std::string ext = naming.selfExtracting ? std::string(".exe") : p.ext;
        return naming.advancedNaming ? p.folder + p.base + "_" + nnn + ext : p.folder + p.base + ext;
    }
    if (naming.mode == SpanningMode::Splitting) {
        if (index == 0 && naming.selfExtracting)
            return p.folder + p.base + ".exe";
        if (naming.advancedNaming)
            return p.folder + p.base + "_" + nnn + p.ext;
        return p.folder + p.base + cased(naming.compressionMethod >= 252 ? ".F" : ".Z") + nn;
    }
    return archiveName;
}

} // namespace hsa::zip
