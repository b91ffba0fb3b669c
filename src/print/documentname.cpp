#include "print/documentname.h"

#include "classes/classrules.h"

#include <QRegularExpression>

namespace hsa {

namespace {

QString& currentName()
{
    static QString name;
    return name;
}

} // namespace

PrintDocumentName::PrintDocumentName(const QString& name) : outer_(currentName())
{
    currentName() = name;
}

PrintDocumentName::~PrintDocumentName()
{
    currentName() = outer_;
}

QString CurrentPrintDocumentName()
{
    return currentName();
}

QString ProposedPdfFileName(const QString& document, const QString& classFile)
{
    QString name = document.simplified();
    if (name.isEmpty())
        name = QStringLiteral("Druck");
    const QString klasse = classFile.size() >= 2 ? KlasseValue(classFile.left(2), KlasseFor::Create).trimmed()
                                                 : QString();
    if (!klasse.isEmpty())
        name += QLatin1Char(' ') + klasse;
    static const QRegularExpression unfit(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1f]"));
    name.replace(unfit, QStringLiteral(" "));
    return name.simplified() + QStringLiteral(".pdf");
}

} // namespace hsa
