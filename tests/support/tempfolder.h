#pragma once
#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

namespace hsa::test {

// A temporary program folder that is also the current folder while the object
// lives, as the program's working folder is.
class TempProgramFolder {
public:
    TempProgramFolder();
    ~TempProgramFolder();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    void write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;
    bool exists(const QString& name) const;
    // Copies the shipped default files of data/ into the folder.
    void layDefaults() const;

private:
    QTemporaryDir dir_;
    QString previous_;
};

} // namespace hsa::test
