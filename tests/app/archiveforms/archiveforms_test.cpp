#include "app/archiveforms.h"
#include "support/programwindows.h"

#include <QComboBox>
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
}

} // namespace
} // namespace hsa
