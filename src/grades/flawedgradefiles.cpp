#include "grades/flawedgradefiles.h"

namespace hsa {

namespace {

const QString kBr = QStringLiteral("\n\r");
const QString kOutOfRange = QStringLiteral("Noten außerhalb von 1,0 bis 6,0");

QString studentName(const QString& nr, const QString& surname, const QString& firstName)
{
    QString who = QStringLiteral("Nr. ") + nr.trimmed() + QLatin1Char(' ') + surname.trimmed();
    if (!firstName.trimmed().isEmpty())
        who += QStringLiteral(", ") + firstName.trimmed();
    return who;
}

// One student alone: whole sentences after "Die Notendatei von Nr. 7 Meier, Anna".
QString sentences(const GradeFileFlaws& f)
{
    QStringList parts;
    if (f.cutShort)
        parts << QStringLiteral("war unvollständig und wurde so weit gelesen, wie sie reicht");
    if (f.overlong)
        parts << QStringLiteral("war länger als vorgesehen; was nach der 45. Notizzeile stand, wurde nicht "
                                "übernommen");
    if (!f.outOfRange.isEmpty())
        parts << QStringLiteral("enthielt %1 (%2); sie zählen nicht und stehen als \"- \" da")
                     .arg(kOutOfRange, f.outOfRange.join(QStringLiteral("; ")));
    return parts.join(QStringLiteral(", und sie "));
}

// Several students: what was wrong, after "Nr. 7 Meier, Anna: ".
QString shortReasons(const GradeFileFlaws& f)
{
    QStringList parts;
    if (f.cutShort)
        parts << QStringLiteral("unvollständig (%1 von %2 Zeilen)").arg(f.lines).arg(kGradeFileLines);
    if (f.overlong)
        parts << QStringLiteral("länger als vorgesehen (Zeilen nach der 45. Notizzeile nicht übernommen)");
    if (!f.outOfRange.isEmpty())
        parts << kOutOfRange + QStringLiteral(", die nicht zählen (") + f.outOfRange.join(QStringLiteral("; "))
                     + QLatin1Char(')');
    return parts.join(QStringLiteral("; "));
}

} // namespace

void FlawedGradeFiles::note(const QString& nr, const QString& surname, const QString& firstName,
                            const ExamSheet& sheet)
{
    if (!sheet.flaws.any())
        return;
    const QString who = studentName(nr, surname, firstName);
    for (const Entry& e : entries_)
        if (e.who == who)
            return;
    entries_.append(Entry{who, sheet.flaws});
}

QStringList FlawedGradeFiles::students() const
{
    QStringList out;
    for (const Entry& e : entries_)
        out << e.who;
    return out;
}

QString FlawedGradeFiles::message(const QString& closing) const
{
    if (entries_.isEmpty())
        return {};
    if (entries_.size() == 1) {
        const Entry& e = entries_.first();
        return QStringLiteral("Die Notendatei von ") + e.who + QLatin1Char(' ') + sentences(e.flaws)
               + QStringLiteral(". ") + closing;
    }
    QStringList lines;
    lines << QStringLiteral("Die Notendateien dieser Schüler waren nicht in Ordnung und wurden so weit gelesen, "
                            "wie sie reichen:");
    for (const Entry& e : entries_)
        lines << e.who + QStringLiteral(": ") + shortReasons(e.flaws);
    return lines.join(kBr) + kBr + kBr + closing;
}

} // namespace hsa
