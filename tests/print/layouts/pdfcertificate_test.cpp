// One final certificate through the Qt print device into a PDF file, read
// back with the poppler tools: texts where the page model puts them, every
// font embedded, the emblem drawn.
#include "classes/sharedstate.h"
#include "classes/subjects.h"
#include "grades/gradecontext.h"
#include "platform/scriptedprompt.h"
#include "print/layouts/certificates.h"
#include "print/pagemodel.h"
#include "print/printer.h"
#include "print/printersystem.h"
#include "print/qtprintdevice.h"
#include "support/tempfolder.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace hsa;

namespace {

QString run(const QString& tool, const QStringList& args)
{
    QProcess p;
    p.start(tool, args);
    EXPECT_TRUE(p.waitForFinished(30000)) << tool.toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

TEST(PdfCertificate, LayoutAWithEmblem)
{
    resetState();
    setPrinterSystem(nullptr);
    test::TempProgramFolder folder;
    ScriptedPrompt prompt;
    ScopedPrompt guard(prompt);
    QImage emblem(57, 30, QImage::Format_RGB32);
    emblem.fill(Qt::darkGray);
    ASSERT_TRUE(emblem.save(folder.file("landes2.bmp")));
    ASSERT_TRUE(LoadEmblemPicture());
    ASSERT_TRUE(printer().SelectPrinterDevice(PdfPrinterName(), "WINSPOOL", {}));

    ClassPrintData cls;
    cls.classFile = "xa_25262.dbf";
    cls.schoolName = "Schule am See";
    ASSERT_TRUE(ReadSubjectFile(QStringLiteral(HSA_DATA_DIR "/sta-fax-mit.dat"), cls.subjects));
    cls.subjects.certificateLines = BuiltInCertificateLines("10");
    cls.context = MakeGradeContext(cls.subjects.subjectNames, cls.classFile, false);
    StudentPrintData st;
    st.firstName = "Anna";
    st.surname = "Berg";
    st.datum = "07.03.2026";
    st.sheet.resultIndex = 0;
    st.gradeNames = cls.subjects.subjectNames;
    st.grades.fill("2");
    st.grades[2] = "5*";

    const QString pdf = folder.file("zeugnis.pdf");
    prompt.text(pdf);
    ASSERT_TRUE(BeginPrint());
    PrintCertificateA(cls, st, 11);
    ASSERT_FALSE(PrintJobRunning());

    const QString words = run("pdftotext", {"-bbox", pdf, "-"});
    static const QRegularExpression re(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"[0-9.]+\">([^<]*)</word>");
    const struct {
        QString word;
        int x, y;
    } expected[] = {{"Werkrealschulabschlusszeugnis", 700, 350}, {"Anna", 700, 508},
                    {"mangelhaft", 700, 942}, {"7.", 700, 2415}};
    for (const auto& e : expected) {
        const double left = QtPrintDevice::kPdfMarginMM + MapPageX(e.x) / 10.0;
        const double top = QtPrintDevice::kPdfMarginMM - MapPageY(e.y) / 10.0;
        bool found = false;
        for (auto it = re.globalMatch(words); it.hasNext() && !found;) {
            const auto m = it.next();
            const double mm = 25.4 / 72.0;
            found = m.captured(3) == e.word && qAbs(m.captured(1).toDouble() * mm - left) <= 0.5
                && qAbs(m.captured(2).toDouble() * mm - top) <= 0.5;
        }
        EXPECT_TRUE(found) << e.word.toStdString() << " not at " << left << "," << top << " mm";
    }

    const QStringList fonts = run("pdffonts", {pdf}).split('\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_FALSE(fonts.isEmpty());
    static const QRegularExpression embedded("\\s(yes|no)\\s+(yes|no)\\s+(yes|no)\\s+\\d+\\s+\\d+\\s*$");
    for (const QString& font : fonts)
        EXPECT_EQ(embedded.match(font).captured(1), "yes") << font.toStdString();
    EXPECT_EQ(run("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts).size(), 3); // header, rule, emblem
    setPrinterSystem(nullptr);
}

} // namespace
