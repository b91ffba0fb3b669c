#include "print/subjectlistchoice.h"

#include "classes/helpers.h"
#include "platform/prompt.h"
#include "print/layouts/subjectlists.h"

namespace hsa {

const std::array<SubjectListPreset, 7>& SubjectListPresets()
{
    static const std::array<SubjectListPreset, 7> presets{{
        {"FachlistenPrfungsteilnehmerErgebnisseTerminplanung1",
         "SP:  Teilnehmerlisten für ausgewählte schriftliche Prüfungsfächer (Korrekturliste /  Notenliste)",
         0, 0, 20, false},
        {"FachlistenzurOrganisationdermndlPrfung1",
         "MP:  Teilnehmerlisten mündliche  Prüfung nach Fächern  ( mit Noten und  GRENZNOTENBERREICH )",
         0, 1, 20, false},
        {"MPProtokollefrdiemndlichePrfung1", "MP:  Protokolle für die mündliche  Prüfung", 0, 3, 20, false},
        {"PPProtokollefrdiepraktischePrfung1", "PP :  Protokolle für die praktische Prüfung", 1, 3, 20, false},
        {"DEZPrfungsprotokolle1",
         "KP:  Protokolle für die  Kommunikationsprüfung  (für alle P-markierte Schüler )", 0, 4, 20, true},
        {"PPFachlistenPrflingePraktischePrfung1",
         "PP:  Teilnehmerlisten praktische  Prüfung nach Fächern  ( mit Noten und  GRENZNOTENBERREICH ) ",
         1, 1, 20, false},
        {"DEZKlassenlistefrdiedenentraleEnglischprfung1",
         "KP:  Eintrags- / Ergebnisliste für die Kommunikationsprüfung (E)", -1, 5, 17, true},
    }};
    return presets;
}

void SubjectListChoice::setListType(int type)
{
    listType_ = (type >= ListWritten && type <= ListCommunication) ? type : -1;
    if (!examKindShown())
        examKind_ = kExamOral;
}

void SubjectListChoice::setExamKind(int kind)
{
    examKind_ = kind == kExamPractical ? kExamPractical : kExamOral;
}

bool SubjectListChoice::examKindShown() const
{
    return listType_ == ListOral || listType_ == ListOralProtocols;
}

bool SubjectListChoice::applyPreset(const SubjectListPreset& preset,
                                    const std::array<QString, kSubjectEntryCount>& subjectNames)
{
    visible = true;
    if (preset.examKind >= 0)
        setExamKind(preset.examKind);
    setListType(preset.listType);
    for (int i = 0; i < kSubjectChoiceRows; ++i) {
        Row& r = rows[i];
        if (i <= preset.lastRow)
            r.subject = i + 2 < kSubjectEntryCount ? subjectNames[i + 2] : QString();
        // A row the preset leaves alone loses its mark too, so that a list
        // printed at once never takes a subject marked for an earlier one.
        if (!TrimRight(r.subject).isEmpty())
            r.mark = QStringLiteral("nein");
        if (preset.englishAtOnce && TrimRight(r.subject) == QStringLiteral("Englisch") && i <= preset.lastRow)
            r.mark = QStringLiteral("ja");
    }
    return preset.englishAtOnce;
}

void SubjectListChoice::toggle(int row)
{
    if (row < 0 || row >= kSubjectChoiceRows || rows[row].subject.isEmpty())
        return;
    rows[row].mark = rows[row].mark == QStringLiteral("nein") ? QStringLiteral("ja") : QStringLiteral("nein");
}

std::vector<int> SubjectListChoice::markedSubjects() const
{
    std::vector<int> out;
    for (int r = 0; r <= kSubjectChoiceLastSubjectRow; ++r)
        if (rows[r].mark == QStringLiteral("ja") && !TrimRight(rows[r].subject).isEmpty())
            out.push_back(r + 2);
    return out;
}

std::optional<SubjectListOrder> SubjectListChoice::pressPrint()
{
    bool any = false;
    for (const Row& r : rows)
        any = any || r.mark == QStringLiteral("ja");
    if (!any) {
        showMessage(kMsgChooseSubject);
        return std::nullopt;
    }
    visible = false;
    if (listType_ < 0) {
        showWithCancel(MsgKind::Information, kMsgNoListType);
        return std::nullopt;
    }
    SubjectListOrder order;
    order.listType = listType_;
    order.examKind = examKind_;
    const bool asks = listType_ == 0 || listType_ == 1 || listType_ == 5;
    order.withMarks = asks && askYesNo(kAskWithMarks);
    order.subjects = markedSubjects();
    return order;
}

} // namespace hsa
