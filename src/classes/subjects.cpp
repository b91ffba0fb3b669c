#include "classes/subjects.h"
#include "classes/helpers.h"
#include "classes/sharedstate.h"
#include "classes/textfile.h"
#include "platform/errors.h"
#include "platform/prompt.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace hsa {

namespace {

const QString kEndMark = QStringLiteral("****");
const QString kAverageMarker = QStringLiteral("Durchschnittsberechnung");
const QString kDefaultEbaHeading = QStringLiteral("Teilnahme am Erweiterten Bildungsangebot:");

bool fileExists(const QString& path)
{
    return QFileInfo(path).isFile();
}

// The four two-character fields of the exam line, as numbers.
std::array<int, 4> examFields(const QString& line)
{
    std::array<int, 4> f{};
    for (int k = 0; k < 4; ++k)
        f[k] = ParseLeadingInt(line.mid(2 * k, 2));
    return f;
}

} // namespace

SubjectData& subjects()
{
    return state().subjectData;
}

void SyncSubjectState()
{
    SharedState& s = state();
    const SubjectData& d = s.subjectData;
    s.subjectNames.clear();
    for (const QString& n : d.subjectNames)
        s.subjectNames << n;
    s.subjectBlockHeading = d.subjectBlockHeading;
    s.footerLines = d.footerLines;
    s.certificateLines.clear();
    for (const QString& l : d.certificateLines)
        s.certificateLines << l;
    s.ebaHeading = d.ebaHeading;
}

void ResetSubjectStartValues()
{
    SubjectData& d = subjects();
    d.footerLines.fill(QString());
    d.subjectBlockHeading = QStringLiteral("Leistungen in den einzelnen Fächern:");
    SyncSubjectState();
}

QString ProgramFolderFile(const QString& name)
{
    const QString dir = ProgramFolder();
    return FindFileCI(dir, name);
}

QChar ClassLevelOf(const QString& classFileName)
{
    const QChar c = classFileName.isEmpty() ? QChar() : classFileName.at(0);
    if (c == QLatin1Char('9'))
        return QLatin1Char('9');
    if (c == QLatin1Char('x') || c == QLatin1Char('X'))
        return QLatin1Char('X');
    if (c == QLatin1Char('y') || c == QLatin1Char('Y'))
        return QLatin1Char('Y');
    return QLatin1Char('O');
}

QString SubjectFileNameFor(const QString& classFileName, const QString& schoolTypeText)
{
    if (schoolTypeText.contains(QStringLiteral("meinschaft")))
        return QStringLiteral("fa9-GMS.dat");
    switch (ClassLevelOf(classFileName).unicode()) {
    case '9': return QStringLiteral("fa9-mit.DAT");
    case 'X': return QStringLiteral("fax-mit.DAT");
    case 'Y': return QStringLiteral("fay-mit.DAT");
    default: return QStringLiteral("fachhsag.dat");
    }
}

QString StandardSubjectFileFor(const QString& classFileName, const QString& schoolTypeText)
{
    if (schoolTypeText.contains(QStringLiteral("meinschaft")))
        return QStringLiteral("sta-fa9-GMS.dat");
    switch (ClassLevelOf(classFileName).unicode()) {
    case '9': return QStringLiteral("sta-fa9-mit.dat");
    case 'X': return QStringLiteral("sta-fax-mit.dat");
    case 'Y': return QStringLiteral("sta-fay-mit.dat");
    default: return QStringLiteral("fag.dat");
    }
}

QString EbaHeadingFileFor(const QString& classFileName)
{
    return ClassLevelOf(classFileName) == QLatin1Char('9') ? QStringLiteral("eba9.txt")
                                                           : QStringLiteral("eba10.txt");
}

void LoadDefaultSubjects()
{
    ApplyDefaultSubjects(subjects());
    SyncSubjectState();
}

void ApplyDefaultSubjects(SubjectData& d)
{
    static const char* const names[] = {
        "Verhalten", "Mitarbeit", "Religionslehre", "Ethik", "Deutsch", "Erdkunde",
        "Geschichte/Gemeinschaftskunde", "Englisch", "Mathematik", "Physik",
        "Biologie/Chemie", "Sport", "Musik", "Bildende Kunst",
        "Wirtschaftslehre/Informatik", "Technik", "Hauswirtschaft/Textiles Werken",
        "Projektprüfung"};
    d.writtenExamRows = {3, 7, 7, 7};
    d.subjectNames.fill(QString());
    int k = 0;
    for (const char* n : names)
        d.subjectNames[k++] = QString::fromUtf8(n);
}

SubjectFileText ApplySubjectFileLines(const QStringList& lines, SubjectData& data)
{
    SubjectFileText out;
    data.subjectNames.fill(QString());
    std::array<int, 4> fields{};
    int n = 0;
    qsizetype idx = 0;
    while (idx < lines.size() && n < kSubjectFileMaxLines) {
        const QString line = lines.at(idx++);
        if (!line.contains(kEndMark)) {
            if (n < kSubjectEntryCount)
                data.subjectNames[n] = line.left(kSubjectNameMax);
            if (n == 0)
                fields = examFields(line);
            if (n >= 2) {
                bool exam = false;
                for (int f : fields)
                    if (f > 0 && n == f + 1)
                        exam = true;
                out.subjectLines << (exam ? line + QLatin1Char('*') : line);
            }
            ++n;
            continue;
        }
        // The end mark: MSG switch, heading, footer lines and code string.
        out.hadEndMark = true;
        data.subjectCodeString = QString(39, QLatin1Char('1'));
        data.msgGradeIndex = (line.size() > 4 && line.at(4) == QLatin1Char('1')) ? 1 : 0;
        if (idx < lines.size()) {
            data.subjectBlockHeading = lines.at(idx++);
            out.lowerLines << data.subjectBlockHeading;
        }
        for (int i = 0; i < 5; ++i) {
            data.footerLines[i].clear();
            if (idx >= lines.size())
                continue;
            const QString l = lines.at(idx++);
            out.lowerLines << l;
            if (!l.contains(kAverageMarker)) {
                data.footerLines[i] = l;
            } else if (idx < lines.size()) {
                data.subjectCodeString = lines.at(idx++);
                out.lowerLines << data.subjectCodeString;
            }
        }
        break;
    }
    data.writtenExamRows = examFields(data.subjectNames[0]);
    // The choice of three; anything else is refused for the first.
    int index = ParseLeadingInt(data.subjectNames[1]);
    if (index < 0 || index > 2)
        index = 0;
    data.examSubjectMultiplier = index + 1;
    data.multiplierIndex = index;
    return out;
}

std::optional<SubjectFileText> ReadSubjectFile(const QString& path, SubjectData& data)
{
    if (!fileExists(path))
        return std::nullopt;
    const QStringList lines = ReadTextLines(path);   // raises before anything changes
    return ApplySubjectFileLines(lines, data);
}

SubjectFileDraft BuildSubjectFile(const QStringList& upper, const QStringList& lower,
                                  int multiplierIndex, int msgGradeIndex)
{
    SubjectFileDraft draft;
    const QString nl = QStringLiteral("\n\r");
    QStringList names;
    QList<int> examRows;
    for (const QString& raw : upper) {
        const bool star = raw.contains(QLatin1Char('*'));
        QString clean = raw;
        clean.remove(QLatin1Char('*'));
        if (clean.trimmed().isEmpty()) {
            if (star) {
                draft.refusal = QStringLiteral("Im oberen Fenster steht ein * in einer Zeile ohne Fachnamen.")
                    + nl + QStringLiteral("Bitte setzen Sie den * hinter den Namen des Prüfungsfachs.")
                    + nl + nl + QStringLiteral("Es wurde nichts gespeichert.");
                return draft;
            }
            continue;   // blank lines are not written and get no row number
        }
        clean = clean.trimmed();
        names << clean;
        if (star)
            examRows << static_cast<int>(names.size());
    }

    auto refuse = [&](const QString& why) {
        draft.refusal = why + nl + nl + QStringLiteral("Es wurde nichts gespeichert.");
        return draft;
    };

    if (names.size() > kMaxSubjectRows)
        return refuse(QStringLiteral("Es sind höchstens %1 Fächer möglich, eingetragen sind %2.")
                          .arg(kMaxSubjectRows).arg(names.size())
                      + nl + QStringLiteral("Bitte entfernen Sie überzählige Fächer."));
    for (const QString& n : names) {
        if (n.size() > kSubjectNameMax)
            return refuse(QStringLiteral("Der Fachname \"%1\" ist länger als %2 Zeichen.")
                              .arg(n).arg(kSubjectNameMax));
    }
    if (examRows.size() > 4)
        return refuse(QStringLiteral("Es sind höchstens 4 Prüfungsfächer (mit *) möglich, markiert sind %1.")
                          .arg(examRows.size()));

    // The lower window: heading, footer lines, "Durchschnittsberechnung" and
    // the code string; the file keeps its first seven lines.
    constexpr int kLowerKept = 7;
    qsizetype marker = -1;
    for (qsizetype i = 0; i < lower.size(); ++i)
        if (lower.at(i).contains(kAverageMarker)) {
            marker = i;
            break;
        }
    if (marker == 0)
        return refuse(QStringLiteral("Die erste Zeile des unteren Fensters ist die Überschrift des Fächerblocks;")
                      + nl + QStringLiteral("die Zeile \"Durchschnittsberechnung\" muss darunter stehen."));
    if (marker > 5)
        return refuse(QStringLiteral("Vor der Zeile \"Durchschnittsberechnung\" stehen mehr als vier Fußzeilen;")
                      + nl + QStringLiteral("die Fachgewichte darunter würden nicht gespeichert."));
    if (marker > 0 && marker + 1 >= lower.size())
        return refuse(QStringLiteral("Unter der Zeile \"Durchschnittsberechnung\" fehlt die Zeile mit den Fachgewichten")
                      + nl + QStringLiteral("(Syntaxbeispiel:  111111110aaa0bbb1)."));
    for (qsizetype i = kLowerKept; i < lower.size(); ++i)
        if (!lower.at(i).trimmed().isEmpty())
            return refuse(QStringLiteral("Im unteren Fenster werden nur die ersten %1 Zeilen gespeichert;")
                              .arg(kLowerKept)
                          + nl + QStringLiteral("die Zeile \"%1\" ginge verloren.").arg(lower.at(i)));

    for (const QString& l : names + lower.mid(0, kLowerKept))
        if (!IsWindows1252(l))
            return refuse(QStringLiteral("Die Zeile \"%1\" enthält Zeichen, die nicht gespeichert werden können.").arg(l));

    for (int r : examRows)
        draft.examField += RealToText(2, 0, r);
    draft.examCount = static_cast<int>(examRows.size());
    draft.lines << draft.examField << QString::number(std::clamp(multiplierIndex, 0, 2));
    draft.lines << names;
    draft.lines << kEndMark + QString::number(msgGradeIndex == 1 ? 1 : 0);
    draft.lines << lower.mid(0, kLowerKept);
    return draft;
}

void LoadSubjectFileQuietly()
{
    try {
        ReadSubjectFile(ProgramFolderFile(subjects().subjectFileName), subjects());
    } catch (const FileError&) {
        // Opening a class never fails on its subject file: the values stay.
    }
    SyncSubjectState();
}

void LoadEbaHeading(const QString& classFileName)
{
    SubjectData& d = subjects();
    d.ebaHeading = kDefaultEbaHeading;
    const QChar level = ClassLevelOf(classFileName);
    QString file;
    if (level == QLatin1Char('9'))
        file = QStringLiteral("eba9.txt");
    else if (level == QLatin1Char('X'))
        file = QStringLiteral("eba10.txt");
    if (!file.isEmpty()) {
        const QString path = ProgramFolderFile(file);
        if (fileExists(path)) {
            try {
                d.ebaHeading = ReadFirstLine(path);
            } catch (const FileError&) {
            }
        }
    }
    SyncSubjectState();
}

void SaveEbaHeading(const QString& classFileName)
{
    WriteTextLines(ProgramFolderFile(EbaHeadingFileFor(classFileName)), {subjects().ebaHeading});
}

std::array<QString, 5> BuiltInCertificateLines(const QString& key)
{
    if (key == QLatin1String("9"))
        return {QStringLiteral("Hauptschulabschlusszeugnis"),
                QStringLiteral("hat die Hauptschulabschlussprüfung nach Klasse 9 der Werkrealschule/Hauptschule mit Erfolg abgelegt."),
                QStringLiteral("Teilnahme an Arbeitsgemeinschaften/ergänzenden Angeboten:"),
                QStringLiteral("Vorsitzender/r des Prüfungsausschusses"),
                QString()};
    if (key == QLatin1String("10"))
        return {QStringLiteral("Werkrealschulabschlusszeugnis"),
                QStringLiteral("hat die Werkrealabschlussprüfung am Ende von Klasse 10 mit Erfolg abgelegt."),
                QStringLiteral("Teilnahme an Arbeitsgemeinschaften/ergänzenden Angeboten:"),
                QStringLiteral("Schulleiter/in"),
                QStringLiteral("Dieses Abschlusszeugnis verleiht einen dem Realschulabschluss gleichwertigen Bildungsstandard.")};
    return {};
}

QString CertificateSectionKey(const QString& classFileName)
{
    switch (ClassLevelOf(classFileName).unicode()) {
    case 'X': return QStringLiteral("10");
    case 'Y': return QStringLiteral("Y");
    default: return QStringLiteral("9");
    }
}

bool ApplyCertificateLines(const QStringList& lines, const QString& classFileName,
                           const QString& schoolTypeText, SubjectData& data)
{
    const QString key = CertificateSectionKey(classFileName);
    const QString marker = QStringLiteral("Klasse ") + key;
    qsizetype at = -1;
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (TrimRight(lines.at(i)) == marker) {
            at = i;
            break;
        }
    bool ok = at >= 0 && at + 1 < lines.size();
    if (!ok) {
        if (key != QLatin1String("Y"))
            data.certificateLines = BuiltInCertificateLines(key);
    } else {
        for (int i = 0; i < 5; ++i) {
            const qsizetype li = at + 1 + i;
            data.certificateLines[i] = li < lines.size() ? lines.at(li) : QString();
        }
        const QString mixed = QStringLiteral("Werkrealschule/Hauptschule");
        if (data.certificateLines[1].contains(mixed))
            ReplaceAllText(data.certificateLines[1], mixed,
                           schoolTypeText.contains(QStringLiteral("erkreal"))
                               ? QStringLiteral("Werkrealschule")
                               : QStringLiteral("Hauptschule"));
    }
    data.ebaHeading = data.certificateLines[2];
    return ok;
}

void LoadCertificateLines(const QString& classFileName)
{
    const QString path = ProgramFolderFile(QStringLiteral("wahlzeilen.txt"));
    if (!fileExists(path))
        return;
    QStringList lines;
    try {
        lines = ReadTextLines(path);
    } catch (const FileError&) {
        return;   // an unreadable file leaves the texts as they are
    }
    const bool ok = ApplyCertificateLines(lines, classFileName, state().schoolTypeText, subjects());
    SyncSubjectState();
    if (!ok)
        showMessage(QStringLiteral("Fehler: Die Datei wahlzeilen.txt ist nicht in Ordnung"));
}

void LoadCertificateLines()
{
    LoadCertificateLines(state().openClassFile);
}

void LoadProfileCodes()
{
    SubjectData& d = subjects();
    d.profileControlsShown = state().schoolTypeText.contains(QStringLiteral("emein"));
    const QString path = ProgramFolderFile(QStringLiteral("profilkuerzel.txt"));
    if (!fileExists(path))
        return;
    QStringList lines;
    try {
        lines = ReadTextLines(path);
    } catch (const FileError&) {
        return;
    }
    for (int i = 0; i < 6; ++i)
        d.profileCodes[i] = i < lines.size() ? lines.at(i) : QString();
}

void LoadClassLevelSubjects(const QString& classFileName)
{
    LoadDefaultSubjects();
    subjects().subjectFileName = SubjectFileNameFor(classFileName, state().schoolTypeText);
    LoadEbaHeading(classFileName);
    LoadCertificateLines(classFileName);
    LoadSubjectFileQuietly();
}

QString SubjectToShortCode(const QString& name)
{
    struct Rule {
        const char* pattern;
        const char* code;
        bool final;
    };
    // The first of these found gives the code at once.
    static const Rule direct[] = {
        {"Religionslehre/Et", "R-E", true}, {"Geogra", "Geo", true},
        {"Gemeinschaftskut", "GK", true}, {"Wirtschaft", "WBS", true},
        {"Informatik", "Inf", true}, {"Alltagskultur", "AES", true},
        {"Berufsorientierende", "BB", true}, {"Kompetenztraining", "KT", true},
        {"Berufsfachliche", "BfK", true}, {"Berufspraktische", "BpK", true},
        {"Naturwissenschaft1", "NW1", true}, {"Naturwissenschaft2", "NW2", true},
        {"Naturwissenschaft3", "NW3", true}, {"Vertiefungsfach1", "VF1", true},
        {"Vertiefungsfach2", "VF2", true}, {"Zeit", "WZG", true},
        {"Materie", "MNT", true}, {"Gestalten", "MSG", true},
        {"Gesundheit und Soziales", "GuS", true}, {"Natur und Technik", "NuT", true},
        {"Informationstechnik", "WuI", true}, {"Gesundheit", "WAG", true},
        {"Reli", "R", true}, {"Konfe", "Konf", true}, {"Deuts", "D", true},
        {"Mathe", "M", true}, {"Bildend", "BK", true}};
    // Each match sets a provisional code; the final ones end at once.
    static const Rule provisional[] = {
        {"Text", "TW", false}, {"Musi", "Mu", false}, {"Sport", "Sp", true},
        {"Schrift", "SuG", false}, {"Ethik", "Eth", true}, {"Erdku", "Ek", false},
        {"Geschich", "G", false}, {"Gemeinsch", "Gk", false}, {"Englisch", "E", true},
        {"Franz", "F", true}, {"Latein", "L", true}, {"Phys", "Ph", false},
        {"Chemie", "Ch", false}, {"Biolo", "Bio", false}, {"Wirtsch", "Wl", false},
        {"Inform", "Inf", false}, {"ITG", "ITG", false}, {"Technik", "Te", false},
        {"Natur u", "NuT", false}, {"Mensch", "MUM", false}, {"Hauswi", "Hw", false},
        {"Textil", "TW", false}, {"Naturph", "Nph", false}};

    if (name.contains(QStringLiteral("Wahlpflicht")) || TrimRight(name).isEmpty())
        return {};
    for (const Rule& r : direct)
        if (name.contains(QString::fromUtf8(r.pattern)))
            return QString::fromUtf8(r.code);
    QString code;
    for (const Rule& r : provisional)
        if (name.contains(QString::fromUtf8(r.pattern))) {
            if (r.final)
                return QString::fromUtf8(r.code);
            code = QString::fromUtf8(r.code);
        }
    const qsizetype slash = name.indexOf(QLatin1Char('/'));
    if (name.endsWith(QLatin1Char('/')))
        code += QLatin1Char('/');
    else if (slash >= 0)
        code = SubjectToShortCode(name.left(slash)) + QLatin1Char('/')
               + SubjectToShortCode(name.mid(slash + 1));
    if (name.contains(QStringLiteral("Hauswirtschaft/Text")))
        code = QStringLiteral("HTW");
    if (code.isEmpty())
        code = name.left(4).leftJustified(4, QLatin1Char(' '));
    return code;
}

void ReplaceAllText(QString& text, const QString& search, const QString& replacement)
{
    if (search.isEmpty())
        return;
    if (replacement.contains(search)) {
        // Rescanning would find the inserted text again and never end.
        text.replace(search, replacement);
        return;
    }
    // A replacement can build a new occurrence with the text around it; the
    // rescan takes that too.  The cap only guards against a pathological
    // pattern pair that keeps doing so.
    qsizetype at;
    long rounds = 0;
    while ((at = text.indexOf(search)) >= 0 && rounds++ < 1000000) {
        text.remove(at, search.size());
        text.insert(at, replacement);
    }
}

} // namespace hsa
