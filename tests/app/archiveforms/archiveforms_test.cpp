#include "app/archiveforms.h"
#include "exchange/yeararchive.h"
#include "support/programwindows.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace hsa {
namespace {

using ArchiveFormsTest = test::ProgramWindowsFixture;

TEST_F(ArchiveFormsTest, MenuEntriesReachTheHintAndTheArchiveWindows)
{
    form->trigger("Archivierung1");
    EXPECT_TRUE(prompt.lastText().startsWith("Es wird empfohlen, am Ende des Schuljahres den gesamten Wendra-Ordner"));
    state().openClassFile = "9a_21222.dbf";
    form->trigger("JahrgangsarchivierungAbschlussklassen1");
    EXPECT_EQ(prompt.lastText(), "Bitte erst Klasse schließen.");
    state().openClassFile.clear();
    dir.write("9a_21222.dbf", "table");
    dir.write("9b_21222.dbf", "table");
    form->trigger("JahrgangsarchivierungAbschlussklassen1");
    auto* archive = qobject_cast<Tarchivform*>(ProgramWindow("archivform"));
    ASSERT_NE(archive, nullptr);
    EXPECT_TRUE(archive->isVisible());
    EXPECT_TRUE(archive->windowState() & Qt::WindowMaximized);
    EXPECT_LE(archive->minimumSizeHint().width(), 1024);
    EXPECT_EQ(archive->ComboBox1->currentText(), "2122");
    EXPECT_EQ(archive->FileListBox1->count(), 2);
    // A half-year chosen before the window was closed does not hide classes
    // the next time.
    archive->ComboBox2->setCurrentText("1");
    EXPECT_EQ(archive->FileListBox1->count(), 0);
    archive->close();
    form->trigger("JahrgangsarchivierungAbschlussklassen1");
    EXPECT_EQ(archive->ComboBox2->currentText(), "");
    EXPECT_EQ(archive->FileListBox1->count(), 2);
    form->trigger("KlassenausdemArchivzurckholen1");
    auto* restore = qobject_cast<Tarch2form*>(ProgramWindow("arch2form"));
    ASSERT_NE(restore, nullptr);
    EXPECT_TRUE(restore->isVisible());
    EXPECT_EQ(restore->FileListBox1->count(), 2);
    EXPECT_EQ(restore->FileListBox3->item(0)->text(), "[..]");
    // The year is checked as typed.
    for (const auto& [typed, year] : {std::pair{"2122 ", "9495"}, {" 2122", "9495"}, {"2223", "2223"}}) {
        archive->ComboBox1->setEditText(typed);
        emit archive->ComboBox1->lineEdit()->editingFinished();
        EXPECT_EQ(yearArchive().year(), year) << typed;
    }
    // The text keeps its size on a screen with more pixels per inch; the
    // design grows with FormScale.
    for (const auto& [scale, factor, expected] : {std::tuple{640, 1.0, ArchiveWindowScale{10, 640, 480}},
                                                  {1024, 1.0, {10, 1024, 768}}, {1280, 1.25, {8, 1280, 960}},
                                                  {800, 1.5, {6, 800, 600}}}) {
        EXPECT_EQ(ComputeArchiveWindowScale(scale, factor), expected) << scale << " " << factor;
        state().formScale = scale;
        state().fontFactor = factor;
        EXPECT_EQ(Tarch2form().font().pointSize(), expected.fontSize) << factor;
    }
}

// Everything the restore window shows, the highlighted year entry first.
std::string restoreWindowContent(const Tarch2form& w)
{
    const auto entries = [](const QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out.join(' ');
    };
    const QListWidgetItem* current = w.FileListBox3->currentItem();
    return QStringList{current ? current->text() : "(none)", entries(w.FileListBox3), w.ComboBox2->currentText(),
                       w.Label4->text(), entries(w.FileListBox2), w.Label2->text(), entries(w.FileListBox1)}
        .join(" | ")
        .toStdString();
}

void clickEntry(QListWidget* list, const QString& text)
{
    const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found[0]).center());
}

// The restore window opens with its year folders, the first one chosen, and
// both lists of classes, whatever was clicked before it was last closed; the
// highlight stays on the entry that was clicked.
TEST_F(ArchiveFormsTest, RestoreWindowOpensTheSameEveryTime)
{
    for (const char* f : {"2122/9a_21222.dbf", "2122/9b_21222.dbf", "2223/9c_22232.dbf", "x1_23242.dbf"})
        dir.write(f, "table");
    const auto open = [&] {
        form->trigger("KlassenausdemArchivzurckholen1");
        auto* w = qobject_cast<Tarch2form*>(ProgramWindow("arch2form"));
        EXPECT_TRUE(w && w->isVisible());
        return w;
    };
    Tarch2form* w = open();
    ASSERT_NE(w, nullptr);
    const std::string once = restoreWindowContent(*w);
    EXPECT_EQ(once, ("[2122] | [..] [2122] [2223] |  | " + QDir::toNativeSeparators(dir.file("2122")) +
                     " | 9a_21222.dbf 9b_21222.dbf | " + QDir::toNativeSeparators(dir.path()) + " | x1_23242.dbf")
                        .toStdString());
    const struct {
        const char* click;
        QString archived; // the archived classes after the click
    } rows[] = {{"[..]", ""}, {"[2223]", "9c_22232.dbf"}, {"[2122]", "9a_21222.dbf 9b_21222.dbf"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.click);
        clickEntry(w->FileListBox3, r.click);
        const QListWidgetItem* highlighted = w->FileListBox3->currentItem();
        EXPECT_EQ(highlighted ? highlighted->text().toStdString() : "(none)", r.click);
        QStringList archived;
        for (int i = 0; i < w->FileListBox2->count(); ++i)
            archived << w->FileListBox2->item(i)->text();
        EXPECT_EQ(archived.join(' ').toStdString(), r.archived.toStdString());
        w->close();
        EXPECT_EQ(restoreWindowContent(*open()), once);
    }
}

} // namespace
} // namespace hsa
