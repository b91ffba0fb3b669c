// Fuzz target for the class-table reader: arbitrary bytes as a dBase table
// are opened, every field of every record is read, and one value is written
// back.  Nothing may crash, hang or exhaust memory; a damaged table is
// refused with the program's file error.
#include "classes/dbftable.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        std::abort();
    const QString path = QDir(dir.path()).filePath(QStringLiteral("9a_25262.dbf"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    try {
        hsa::DbfTable t;
        t.open(path);
        for (int r = 0; r < t.recordCount(); ++r)
            for (int c = 0; c < t.fieldCount(); ++c)
                (void)t.value(r, c);
        if (t.recordCount() > 0 && t.fieldCount() > 0) {
            t.setValue(0, 0, QStringLiteral("1"));
            t.post();
        }
        t.close();
    } catch (const hsa::FileError&) {
    }
    return 0;
}
