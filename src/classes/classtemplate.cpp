#include "classes/classtemplate.h"

#include "classes/classfields.h"
#include "classes/textfile.h"

namespace hsa {

const std::vector<TemplateField>& ClassTemplateFields()
{
    static const std::vector<TemplateField> fields = {
        {kFieldNr, 3},
        {kFieldLast, 40},
        {kFieldFirst, 40},
        {kFieldGender, 1},
        {kFieldClass, 10},
        {kFieldDate, 20},
        {kFieldRemark1, 70},
        {kFieldRemark2, 42},
        {kFieldGroup, 5},
        {kFieldWorkingGroups, 42},
        {kFieldBirthDate, 20},
        {kFieldBirthPlace, 50},
        {kFieldProjectTopic, 80},
        {kFieldClass8Grade, 1},
        {kFieldProfile, 42},
        {kFieldHint1, 80},
        {kFieldHint2, 50},
        {kFieldHint3, 50},
        {kFieldHint4, 70},
        // Grade slots: a whole grade with its exam star ("3*"), "??", three
        // blanks, or a subject weight in the weighting record.  Only the slots
        // read by name elsewhere have a name in classfields.h.
        {QStringLiteral("RELIGION"), 5},
        {QStringLiteral("ZUSATZ4"), 5},
        {kFieldGerman, 5},
        {kFieldGeneralStudies, 5},
        {kFieldMath, 5},
        {QStringLiteral("ZUSATZ1"), 5},
        {QStringLiteral("WERKEN"), 5},
        {QStringLiteral("MUSIK"), 5},
        {QStringLiteral("ZUSATZ2"), 5},
        {QStringLiteral("ZUSATZ3"), 5},
        {QStringLiteral("F11"), 5},
        {QStringLiteral("F12"), 5},
        {QStringLiteral("F13"), 5},
        {QStringLiteral("F14"), 5},
        {QStringLiteral("F15"), 5},
        {QStringLiteral("F16"), 5},
        {QStringLiteral("F17"), 5},
        {QStringLiteral("F18"), 5},
        {QStringLiteral("F19"), 5},
        {QStringLiteral("F20"), 5},
        {QStringLiteral("F21"), 5},
    };
    return fields;
}

QByteArray BuildClassTemplate()
{
    const auto& fields = ClassTemplateFields();
    int recordLength = 1;
    for (const auto& f : fields)
        recordLength += f.width;
    const int headerLength = 32 + 32 * static_cast<int>(fields.size()) + 1;

    QByteArray out(headerLength, '\0');
    auto* h = reinterpret_cast<unsigned char*>(out.data());
    h[0] = 0x03;                  // dBase table without memo file
    h[1] = 125;                   // last update 2025-08-01
    h[2] = 8;
    h[3] = 1;
    h[4] = kClassTableRecords;
    h[8] = static_cast<unsigned char>(headerLength & 0xFF);
    h[9] = static_cast<unsigned char>(headerLength >> 8);
    h[10] = static_cast<unsigned char>(recordLength & 0xFF);
    h[11] = static_cast<unsigned char>(recordLength >> 8);
    h[29] = 0x57;                 // language driver: Windows ANSI (1252)
    for (size_t i = 0; i < fields.size(); ++i) {
        unsigned char* d = h + 32 + 32 * i;
        const QByteArray name = fields[i].name.toLatin1();
        std::copy(name.begin(), name.end(), d);
        d[11] = 'C';
        d[16] = static_cast<unsigned char>(fields[i].width);
    }
    h[headerLength - 1] = 0x0D;

    for (int r = 1; r <= kClassTableRecords; ++r) {
        QByteArray record(recordLength, ' ');
        const QByteArray nr = QByteArray::number(r);
        record.replace(1, nr.size(), nr);
        out.append(record);
    }
    out.append('\x1A');
    return out;
}

void WriteClassTemplate(const QString& path)
{
    WriteFileAtomic(path, BuildClassTemplate());
}

} // namespace hsa
