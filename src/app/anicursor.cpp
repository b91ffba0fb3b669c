#include "app/anicursor.h"

#include <QFile>
#include <QFileInfo>

namespace hsa {

void TDFAniCursor::setAniCursorFile(const QString& path, bool loading)
{
    if (path.isEmpty()) {
        fileName_.clear();
        data_.clear();
        return;
    }
    fileName_ = QFileInfo(path).fileName();
    if (loading)
        return;
    QFile f(path);
    if (QFileInfo(path).isFile() && f.open(QIODevice::ReadOnly))
        data_ = f.readAll();
}

} // namespace hsa
