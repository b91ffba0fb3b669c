#pragma once
#include "classes/textfile.h"
#include "grades/classgrid.h"
#include "grades/examsheet.h"
#include "grades/gradecontext.h"
#include "support/classfolder.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>

namespace hsa::test {

using Student = StudentRow;

// The real class folder of the program (the grade grid reset with the
// program's other objects).
class GridFixture : public RealClassFixture {
protected:
    QString classDir() const { return classFolder() + QStringLiteral("/"); }
    QString studentFile(const QString& prefix, int n) const { return classDir() + prefix + QString::number(n); }
    QByteArray readFile(const QString& path) const { QFile f(path); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); }
    void writeFile(const QString& path, const QByteArray& bytes) const
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QByteArray tableBytes() const { return folder.read(className); }

    // The class table's bytes as a second reader sees them (what is posted).
    static int headerLength(const QByteArray& dbf) { return qFromLittleEndian<quint16>(dbf.constData() + 8); }
    static int recordLength(const QByteArray& dbf) { return qFromLittleEndian<quint16>(dbf.constData() + 10); }
    struct FieldSpan { QString name; int offset; int width; };
    static QList<FieldSpan> fieldSpans(const QByteArray& dbf)
    {
        QList<FieldSpan> out;
        int offset = 1; // deletion flag
        for (int i = 32; i + 32 <= dbf.size() && dbf.at(i) != 0x0D; i += 32) {
            const QString name = QString::fromLatin1(dbf.mid(i, 11).constData());
            const int width = static_cast<unsigned char>(dbf.at(i + 16));
            out << FieldSpan{name, offset, width};
            offset += width;
        }
        return out;
    }
    // Raw bytes of field name in record (from 0) of a table image.
    static QByteArray rawField(const QByteArray& dbf, int record, const QString& name)
    {
        for (const FieldSpan& f : fieldSpans(dbf))
            if (f.name == name)
                return dbf.mid(headerLength(dbf) + record * recordLength(dbf) + f.offset, f.width);
        return {};
    }
    // Raw bytes of a whole record without its NR field.
    static QByteArray rawRecordWithoutNr(const QByteArray& dbf, int record)
    {
        const QList<FieldSpan> spans = fieldSpans(dbf);
        const int start = headerLength(dbf) + record * recordLength(dbf);
        return dbf.mid(start + spans.at(1).offset, recordLength(dbf) - spans.at(1).offset);
    }
    // Exam row and grid column of a subject short code.
    int rowOf(const QString& code) const
    {
        const GradeContext ctx = GradeContextFromState();
        for (int r = 1; r <= 19; ++r)
            if (ctx.shortCode(r) == code)
                return r;
        return -1;
    }
    int columnOf(const QString& code) const { return rowOf(code) + 1; }

    // Writes a grade file for student row n from the presets with changes.
    void writeSheet(int n, const QList<std::tuple<int, QString, QString>>& cells,
                    const QStringList& notes = {})
    {
        const GradeContext ctx = GradeContextFromState();
        ExamSheet sheet = PresetExamSheet(ctx);
        for (const auto& [column, code, text] : cells)
            sheet.grid.at(column, rowOf(code)) = text;
        sheet.notes = notes;
        RecalcExamGrid(sheet.grid, ctx);
        QDir().mkpath(classDir());
        ASSERT_TRUE(SaveStudentGradeFile(studentFile(QStringLiteral("v."), n), sheet, ctx));
    }
    QStringList gradeLines(int n) const { return ReadTextLines(studentFile(QStringLiteral("v."), n)); }
    static QString cellLine(const QStringList& lines, int column, int row) { return lines.value(column * 20 + row); }
};

inline QList<Student> threeStudents()
{
    return {{"1", "Berg", "Anna", "W"}, {"2", "Czech", "Bernd", "M"}, {"3", "Dorn", "Carla", "W"}};
}

} // namespace hsa::test
