#include "print/recordingdevice.h"

namespace hsa {

RecordingDevice::RecordingDevice(QString name) : name_(std::move(name)) {}

bool RecordingDevice::beginDoc(const QString& title)
{
    if (printing())
        throw PrinterError(QStringLiteral("Druckvorgang läuft"));
    if (failOnBegin)
        throw PrinterError(QStringLiteral("Drucker ist nicht bereit"));
    beginJob(title, declineBegin);
    return !declineBegin;
}

void RecordingDevice::endBatch()
{
    if (batchDepth > 0 && --batchDepth == 0)
        ++batchesEnded;
}

QSizeF RecordingDevice::printableSizeMM() const
{
    return landscape() ? printableMM.transposed() : printableMM;
}

QSize RecordingDevice::printableSizePixels() const
{
    return landscape() ? pixelsPortrait.transposed() : pixelsPortrait;
}

bool RecordingDevice::runSetupDialog()
{
    ++setupRuns;
    return setupAvailable;
}

RecordingPrinterSystem::RecordingPrinterSystem(QStringList n, QString d)
    : names(std::move(n)), defaultName(std::move(d))
{
}

PrintDevice* RecordingPrinterSystem::device(const QString& name)
{
    if (!names.contains(name) || unavailable.contains(name))
        return nullptr;
    return &recorder(name);
}

RecordingDevice& RecordingPrinterSystem::recorder(const QString& name)
{
    auto& slot = devices_[name];
    if (!slot)
        slot = std::make_shared<RecordingDevice>(name);
    return *slot;
}

ScopedRecordingPrinter::ScopedRecordingPrinter(QStringList names, QString defaultName)
    : system_(std::move(names), std::move(defaultName))
{
    setPrinterSystem(&system_);
}

ScopedRecordingPrinter::~ScopedRecordingPrinter()
{
    setPrinterSystem(nullptr);
}

} // namespace hsa
