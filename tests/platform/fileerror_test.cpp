#include "platform/errors.h"

#include <gtest/gtest.h>

using namespace hsa;

// The file-error messages the secretary reads, to the letter, for a path, a
// bare name and a name with blanks and umlauts.
TEST(FileError, NamedMessagesSpellThePathAsGiven)
{
    const struct {
        FileError error;
        const char* message;
    } cases[] = {
        {FileError::cannotOpen("/schule/9a_21222.dbf"), "Datei /schule/9a_21222.dbf kann nicht geöffnet werden"},
        {FileError::cannotOpen("zeilen.alt"), "Datei zeilen.alt kann nicht geöffnet werden"},
        {FileError::cannotCreate("/schule/Müller Jörg.docx"),
         "Datei /schule/Müller Jörg.docx kann nicht erstellt werden"},
        {FileError::cannotCreateFolder("/stick/2122"), "Verzeichnis /stick/2122 kann nicht erstellt werden"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.error.message(), QString::fromUtf8(c.message));
        EXPECT_STREQ(c.error.what(), c.message);
    }
}
