#include "classes/classtemplate.h"

#include "classes/textfile.h"

namespace hsa {

const std::vector<TemplateField>& ClassTemplateFields()
{
    static const std::vector<TemplateField> fields = {
        {"NR", 3},        {"NACHNAME", 40}, {"VORNAME", 40},  {"M/W", 1},
        {"KLASSE", 10},   {"DATUM", 20},    {"BEMERK1", 70},  {"BEMERK2", 42},
        {"HJ", 5},        {"AG2", 42},      {"AG3", 20},      {"AG4", 50},
        {"AG5", 80},      {"AG6", 1},       {"AG7", 42},      {"HINWEIS1", 80},
        {"HINWEIS2", 50}, {"HINWEIS3", 50}, {"HINWEIS4", 70},
        // Grade slots: a whole grade with its exam star ("3*"), "??", three
        // blanks, or a subject weight in the weighting record.
        {"RELIGION", 5},  {"ZUSATZ4", 5},   {"DEU", 5},       {"SACHKUNDE", 5},
        {"MATH", 5},      {"ZUSATZ1", 5},   {"WERKEN", 5},    {"MUSIK", 5},
        {"ZUSATZ2", 5},   {"ZUSATZ3", 5},   {"F11", 5},       {"F12", 5},
        {"F13", 5},       {"F14", 5},       {"F15", 5},       {"F16", 5},
        {"F17", 5},       {"F18", 5},       {"F19", 5},       {"F20", 5},
        {"F21", 5},
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
        const QByteArray name(fields[i].name);
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
