#include "support/tempfolder.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

namespace hsa::test {

TempProgramFolder::TempProgramFolder() : previous_(QDir::currentPath())
{
    if (!dir_.isValid())
        throw std::runtime_error("no temporary folder");
    QDir::setCurrent(dir_.path());
}

TempProgramFolder::~TempProgramFolder()
{
    QDir::setCurrent(previous_);
}

void TempProgramFolder::write(const QString& name, const QByteArray& bytes) const
{
    const QString p = file(name);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
}

QByteArray TempProgramFolder::read(const QString& name) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool TempProgramFolder::exists(const QString& name) const
{
    return QFileInfo::exists(file(name));
}

void TempProgramFolder::layDefaults() const
{
    const QDir src(QStringLiteral(HSA_DATA_DIR));
    QDirIterator it(src.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString rel = src.relativeFilePath(from);
        const QString to = file(rel);
        QDir().mkpath(QFileInfo(to).absolutePath());
        QFile::remove(to);
        QFile::copy(from, to);
    }
}

} // namespace hsa::test
