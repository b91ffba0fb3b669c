#pragma once
#include <QByteArray>
#include <QString>

// Holder of an animated cursor file's bytes.  The main window owns one
// without data; it never builds or shows a cursor from them.
namespace hsa {

class TDFAniCursor {
public:
    QString AniCursorFile() const { return fileName_; }
    // A non-empty name keeps the name without its folder and, when the file
    // exists and no stored state is being loaded, reads the whole file; an
    // empty name frees the bytes.
    void setAniCursorFile(const QString& path, bool loading = false);
    const QByteArray& data() const { return data_; }
    // The stored form: written only when there are bytes.
    bool storesData() const { return !data_.isEmpty(); }
    void loadData(const QByteArray& bytes) { data_ = bytes; }

private:
    QString fileName_;
    QByteArray data_;
};

} // namespace hsa
