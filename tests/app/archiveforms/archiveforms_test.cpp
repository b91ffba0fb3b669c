#include "app/archiveforms.h"
#include "exchange/yeararchive.h"
#include "support/programwindows.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>

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

} // namespace
} // namespace hsa
