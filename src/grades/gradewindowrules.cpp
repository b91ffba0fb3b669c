#include "grades/gradewindowrules.h"

#include "classes/classfields.h"
#include "classes/dbftable.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "platform/errors.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace hsa {

namespace {

QChar charAt(const QString& s, int index)
{
    return index >= 0 && index < s.size() ? s.at(index) : QChar();
}

bool beginsWithAny(const QString& s, const QString& chars)
{
    return !s.isEmpty() && chars.contains(s.at(0));
}

} // namespace

GradeWindowLayout LayoutForClass(const QString& classFileName, const QString& schoolTypeText)
{
    GradeWindowLayout l;
    const QChar first = charAt(classFileName, 0);

    l.profileControlsShown = schoolTypeText.contains(QStringLiteral("emein"));
    l.informatikHintShown = !l.profileControlsShown;
    l.informatikHint = InformatikHintText();

    if (beginsWithAny(classFileName, QStringLiteral("xX"))) {
        l.classTypeHintShown = true;
        l.classTypeHintFile = QStringLiteral("memo2x.dat");
        l.page2Caption = QStringLiteral("Individuelle Berufsschulfächer");
        l.attachmentControlsShown = false;
    } else if (beginsWithAny(classFileName, QStringLiteral("gG"))) {
        l.classTypeHintShown = true;
        l.classTypeHintFile = QStringLiteral("memo2g.dat");
        l.page2Caption = QStringLiteral("Individualfächer für BfK und BpK");
        l.attachmentControlsShown = false;
    }

    if (schoolTypeText.contains(QStringLiteral("auptsch")))
        l.workingGroupsLabel = QStringLiteral("Arbeitsgemeinschaften");

    if (beginsWithAny(classFileName, QStringLiteral("fF"))) {
        l.topicLabel = QStringLiteral("Thema der Präsentationsprüfung");
        l.projectExamHint =
            QStringLiteral("Thema der Projektprüfung nach $45(4) als PWB-Ersatz, sonst leer lassen");
        l.hint2Shown = false;
        l.hint3Shown = false;
        l.personalEditsShown = false;
        l.hintLength[0] = 80;
    } else {
        l.hintLength[0] = 42;
    }
    l.hintLength[1] = 42;
    l.hintLength[2] = 42;

    const bool firstHalfYear = charAt(classFileName, 7) == QLatin1Char('1');
    if (firstHalfYear) {
        const bool level9Exception =
            first == QLatin1Char('9') && (schoolTypeText.contains(QStringLiteral("örder"))
                                          || schoolTypeText.contains(QStringLiteral("aupt")));
        const bool lowerXException =
            first == QLatin1Char('x') && (schoolTypeText.contains(QStringLiteral("Realsch"))
                                          || schoolTypeText.contains(QStringLiteral("aupt")));
        if (!level9Exception && !lowerXException) {
            l.remarkLabel1 = QStringLiteral("Bemerkungen:");
            l.remarkLabel2.clear();
            l.hintLength[0] = l.hintLength[1] = l.hintLength[2] = 47;
        }
    }

    l.gradeListFixedRows = firstHalfYear || first == QLatin1Char('5') || first == QLatin1Char('6');
    l.schoolGradeEditsShown = !firstHalfYear && charAt(classFileName, 7) == QLatin1Char('2')
        && !classFileName.isEmpty() && !QStringLiteral("3456789xyXYfFgG").contains(first);
    return l;
}

QString GetConductTabCaption(const QString& classFileName)
{
    return beginsWithAny(classFileName, QStringLiteral("12")) ? QStringLiteral("Verhalten")
                                                              : QStringLiteral("Allg. Beurt.");
}

QString InformatikHintText()
{
    return QStringList{QStringLiteral("Wahlfach Informatik (KM-Schreiben vom 2.5.2022):"),
                       QStringLiteral("Tragen Sie als Fachgewicht 0 oder 1 ein."),
                       QStringLiteral("Es zählt nur auf Wunsch des Schülers."),
                       QStringLiteral("In der Regel also Fachgewicht=0."),
                       QStringLiteral("(Siehe \"Fachgewichtsspalte öffnen\")")}
        .join(QLatin1Char('\n'));
}

QString BuiltInClassTypeHint()
{
    return QStringList{
        QStringLiteral("Berufsfachliche Kompetenz"),
        QStringLiteral("Berufspraktische Kompetenz"),
        QStringLiteral("Naturwissenschaften"),
        QString(),
        QStringLiteral("Tragen Sie die berufsschulischen Fächer des Schülers mit ihren Noten"),
        QStringLiteral("im Notizfeld links ein, ein Fach je Zeile, zum Beispiel:"),
        QStringLiteral("Berufsfachliche Kompetenz: 2"),
    }
        .join(QLatin1Char('\n'));
}

QString LoadClassTypeHint(const QString& dir, const QString& fileName, QString* error)
{
    if (error)
        error->clear();
    if (fileName.isEmpty() || !FileExistsCI(dir, fileName))
        return BuiltInClassTypeHint();
    try {
        return ReadTextLines(FindFileCI(dir, fileName)).join(QLatin1Char('\n'));
    } catch (const FileError& e) {
        if (error)
            *error = e.message();
        return BuiltInClassTypeHint();
    }
}

QString WeightColumnMessage()
{
    const QString br = QStringLiteral("\n\r");
    return QStringLiteral("A C H T U N G :") + br + br
        + QStringLiteral("Das Profilfach (Gemeinschaftsschule) hat immer das Fachgewicht 0: "
                         "es zählt nicht im Gesamtschnitt.")
        + br
        + QStringLiteral("Das WAHLFACH INFORMATIK (WRS/RS) zählt nur auf Wunsch des Schülers "
                         "(KM-Schreiben vom 2. Mail 2022).")
        + br + br
        + QStringLiteral("In der Spalte \"F.Gew.\" können Fächer herausgenommen (Fachgewicht 0), "
                         "mehrfach gezählt (Fachgewicht 1, 2 usw.) oder über die Fächerkennung "
                         "als bestes Fach einer Gruppe gezählt werden.")
        + br
        + QStringLiteral("Die so berechneten Durchschnitte werden mit den Endnoten an Korvi "
                         "übergeben.");
}

int GradeListKeyMove(const std::array<QString, kGradeListRows>& subjectNames, int row, int step,
                     bool fixedRows)
{
    if (step == 0)
        return row;
    const int first = fixedRows ? 2 : 0;
    int to = row + step;
    if (to >= 0 && to < kGradeListRows && subjectNames[to].trimmed().endsWith(QLatin1Char('/')))
        to += step;
    if (to < first || to >= kGradeListRows)
        return row;
    return to;
}

QString StudentRecordCheck::missingText(bool genderRequired) const
{
    QStringList parts;
    if (!numberOk)
        parts << QStringLiteral("Schülernummer (1 bis 40)");
    if (!hasLastName)
        parts << QStringLiteral("Name");
    if (!hasFirstName)
        parts << QStringLiteral("Vorname");
    if (genderRequired && !hasGender)
        parts << QStringLiteral("Geschlecht (M/W)");
    return parts.join(QStringLiteral(", "));
}

StudentRecordCheck CheckStudentRecord(const DbfTable& table, int record)
{
    StudentRecordCheck c;
    if (!table.isOpen() || record < 0 || record >= table.recordCount())
        return c;
    bool ok = false;
    const int nr = table.valueOrEmpty(record, kFieldNr).trimmed().toInt(&ok);
    c.number = ok ? nr : 0;
    c.numberOk = ok && nr >= 1 && nr <= 40;
    c.lastName = table.valueOrEmpty(record, kFieldLast);
    c.hasLastName = !c.lastName.trimmed().isEmpty();
    c.hasFirstName = !table.valueOrEmpty(record, kFieldFirst).trimmed().isEmpty();
    c.hasGender = !table.valueOrEmpty(record, kFieldGender).trimmed().isEmpty();
    return c;
}

int FillCertificateDate(DbfTable& table, const QString& certificateDate)
{
    if (certificateDate.isEmpty() || !table.isOpen())
        return 0;
    int written = 0;
    for (int r = 0; r < table.recordCount(); ++r) {
        table.setValue(r, kFieldDate, certificateDate);
        ++written;
    }
    table.post();
    return written;
}

int FillCertificateDate(const QString& certificateDate)
{
    if (state().openClassFile.isEmpty())
        return 0;
    const int n = FillCertificateDate(ClassTable(), certificateDate);
    state().currentStudentRecord = 0;
    NotifyMainWindow();
    return n;
}

LimitedNotes LimitNoteLines(const QString& text, int maxLines)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = text.split(lineEnd);
    LimitedNotes result;
    if (lines.size() <= maxLines) {
        result.text = text;
        return result;
    }
    // Lines beyond the limit that hold nothing are no loss.
    QStringList rest = lines.mid(maxLines);
    bool restEmpty = true;
    for (const QString& l : rest)
        if (!l.trimmed().isEmpty())
            restEmpty = false;
    lines = lines.mid(0, maxLines);
    result.text = lines.join(QLatin1Char('\n'));
    result.cut = !restEmpty;
    return result;
}

QString ProfileCodesQuestion()
{
    const QString br = QStringLiteral("\n\r");
    return QStringLiteral("Für die Übertragung der Endnoten von Wendra nach Korvi markieren Sie bitte "
                          "bei jedem Schüler das gewählte Profilfach.")
        + br + br
        + QStringLiteral("Die Kürzel der Profilfächer müssen dabei genau mit den Kürzeln "
                         "übereinstimmen, die in Korvi verwendet werden.")
        + br + br + QStringLiteral("Möchten Sie die Kürzel jetzt anpassen?");
}

QString ProfileCodesEditorCaption()
{
    return QStringLiteral("Fachkürzel an Korvi anpassen, Anzahl beibehalten, maximal 3 je Zeichen");
}

QString ProfileCodesSavedMessage()
{
    return QStringLiteral("Wenn Sie die Voreinstellungen wieder möchten und sie vergessen haben, "
                          "löschen Sie bitte die Datei profilkuerzel.txt im Ordern von Wendra_Pruefer "
                          "und starten Sie das Programm neu.");
}

QString ProfileNotCountedMessage()
{
    return QStringLiteral("Das Profilfach wird in den aktuellen amtlichen Mustern als \"nicht maßgebend "
                          "für das Bestehen der Abschlussprüfung\" deklariert.")
        + QStringLiteral("\n\r")
        + QStringLiteral("Es wird auch im Durchschnitt der Gesamtleisungen (der sich auf die "
                         "maßgbenden Fächer bezieht) nicht berücksichtigt.");
}

std::array<QString, 6> ProfileCodesFromEditorText(const QString& text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = text.split(lineEnd);
    while (!lines.isEmpty() && lines.first().trimmed().isEmpty())
        lines.removeFirst();
    std::array<QString, 6> codes;
    for (int i = 0; i < 6; ++i) {
        const QString code = i < lines.size() ? lines.at(i).trimmed().left(3) : QString();
        codes[i] = code.isEmpty() ? QStringLiteral("--") : code;
    }
    return codes;
}

QString ProfileCodesEditorText(const std::array<QString, 6>& codes)
{
    QStringList lines;
    for (const QString& c : codes)
        lines << c;
    return lines.join(QLatin1Char('\n'));
}

void SaveProfileCodes(const QString& dir, const std::array<QString, 6>& codes)
{
    QStringList lines;
    for (const QString& c : codes)
        lines << c;
    WriteTextLines(FindFileCI(dir, kProfileCodesFile), lines);
}

// ---------------------------------------------------------------- metrics

GradeWindowMetrics ComputeGradeWindowMetrics(int formScale)
{
    const GradeWindowMetrics design;
    if (formScale <= 1)
        return design;
    // Whole-number arithmetic: the product of a design size and any screen
    // width fits easily, and the division cuts toward zero as it must.
    const auto scaled = [formScale](int designValue) {
        const long long v = static_cast<long long>(designValue) * formScale / kGradeWindowDesignWidth;
        return static_cast<int>(std::clamp<long long>(v, 1, std::numeric_limits<int>::max()));
    };
    GradeWindowMetrics m;
    m.formScale = formScale;
    m.windowFontPointSize = scaled(design.windowFontPointSize);
    m.headingFontPointSize = scaled(design.headingFontPointSize);
    m.examGridFontPointSize = scaled(design.examGridFontPointSize);
    m.gradeListFontPointSize = scaled(design.gradeListFontPointSize);
    m.examGridColumnWidth = scaled(design.examGridColumnWidth);
    m.examGridCodeColumnWidth = scaled(design.examGridCodeColumnWidth);
    m.examGridRowHeight = scaled(design.examGridRowHeight);
    m.gradeListNameColumnWidth = scaled(design.gradeListNameColumnWidth);
    m.gradeListGradeColumnWidth = scaled(design.gradeListGradeColumnWidth);
    m.gradeListRowHeight = scaled(design.gradeListRowHeight);
    m.phraseNumberColumnWidth = scaled(design.phraseNumberColumnWidth);
    m.windowWidth = scaled(design.windowWidth);
    m.windowHeight = scaled(design.windowHeight);
    return m;
}

} // namespace hsa
