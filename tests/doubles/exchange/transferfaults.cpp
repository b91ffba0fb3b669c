#include "exchange/transferfaults.h"

namespace hsa {

namespace {

class FaultyVolume : public TransferVolume {
public:
    qint64 freeSpace(const QString& folder) override
    {
        return space ? space(folder) : TransferVolume::freeSpace(folder);
    }
    std::optional<qint64> fullAfter(const QString& dest, qint64 size) override
    {
        if (fault && fault(dest))
            return size / 2;
        return std::nullopt;
    }

    std::function<bool(const QString&)> fault;
    std::function<qint64(const QString&)> space;
};

FaultyVolume& faulty()
{
    static FaultyVolume v;
    // Once the program's objects were reset the system's volume is back, and
    // switches set before the reset are gone with it.
    if (&transferVolume() != &v)
        v = FaultyVolume();
    return v;
}

void install(FaultyVolume& v)
{
    SetTransferVolume(v.fault || v.space ? &v : nullptr);
}

} // namespace

void SetTransferCopyFault(std::function<bool(const QString& dest)> fault)
{
    FaultyVolume& v = faulty();
    v.fault = std::move(fault);
    install(v);
}

void SetFreeSpaceSource(std::function<qint64(const QString& folder)> source)
{
    FaultyVolume& v = faulty();
    v.space = std::move(source);
    install(v);
}

} // namespace hsa
