// Short codes of subject names and the replace-all helper.
#include "classes/subjects.h"

#include <gtest/gtest.h>

using namespace hsa;

TEST(ShortCode, PatternsInOrderSlashesAndFallback)
{
    // The built-in list, the direct patterns (earlier ones win), the
    // provisional patterns (a later one replaces an earlier one, a final one
    // ends at once), slashes, the empty code and the four-letter fallback.
    const std::pair<const char*, const char*> cases[] = {
        {"Religionslehre", "R"}, {"Ethik", "Eth"}, {"Deutsch", "D"}, {"Erdkunde", "Ek"},
        {"Geschichte/Gemeinschaftskunde", "G/Gk"}, {"Englisch", "E"}, {"Mathematik", "M"},
        {"Physik", "Ph"}, {"Biologie/Chemie", "Bio/Ch"}, {"Sport", "Sp"}, {"Musik", "Mu"},
        {"Bildende Kunst", "BK"}, {"Wirtschaftslehre/Informatik", "WBS"}, {"Technik", "Te"},
        {"Hauswirtschaft/Textiles Werken", "HTW"}, {"Projektprüfung", "Proj"}, {"Verhalten", "Verh"},
        {"Mitarbeit", "Mita"},
        {"Religionslehre/Ethik", "R-E"}, {"Geographie", "Geo"}, {"Gemeinschaftskut", "GK"},
        {"Wirtschaft/Berufs- und Studienorientierung", "WBS"}, {"Informatik", "Inf"},
        {"Alltagskultur, Ernährung, Soziales", "AES"}, {"Berufsorientierende Bildung", "BB"},
        {"Kompetenztraining", "KT"}, {"Berufsfachliche Kompetenz", "BfK"},
        {"Berufspraktische Kompetenz", "BpK"}, {"Naturwissenschaft1", "NW1"},
        {"Naturwissenschaft2", "NW2"}, {"Naturwissenschaft3", "NW3"}, {"Vertiefungsfach1", "VF1"},
        {"Vertiefungsfach2", "VF2"}, {"Welt-Zeit-Gesellschaft", "WZG"},
        {"Materie-Natur-Technik", "MNT"}, {"Musik-Sport-Gestalten", "MSG"},
        {"Gesundheit und Soziales", "GuS"}, {"Natur und Technik", "NuT"},
        {"Informationstechnik", "WuI"}, {"Gesundheit", "WAG"}, {"Religion", "R"},
        {"Konfessionell", "Konf"}, {"Deutsch als Zweitsprache", "D"}, {"Mathe", "M"},
        {"Bildende Kunst/Musik", "BK"},
        // Earlier patterns win over later ones.
        {"Religionslehre/Ethik/Deutsch", "R-E"}, {"Wirtschaft und Informatik", "WBS"},
        {"Gesundheit und Soziales/Sport", "GuS"}, {"Deutsch/Mathematik", "D"},
        {"Textverarbeitung", "TW"}, {"Musiktheater", "Mu"}, {"Musik Sport", "Sp"}, {"Schulsport", "Schu"},
        {"Schrift und Gestaltung", "SuG"}, {"Schriftlich", "SuG"}, {"Ethikunterricht", "Eth"},
        {"Erdkunde", "Ek"}, {"Geschichte", "G"}, {"Gemeinschaftskunde", "Gk"},
        {"Englisch Musik", "E"}, {"Französisch", "F"}, {"Latein", "L"}, {"Physik", "Ph"},
        {"Chemie", "Ch"}, {"Biologie", "Bio"}, {"Wirtschaftslehre", "WBS"}, {"Wirtsch.lehre", "Wl"},
        {"Informieren", "Inf"}, {"ITG", "ITG"}, {"Technik", "Te"}, {"Natur u. Technik", "NuT"},
        {"Natur und", "NuT"}, {"Natur u Umwelt", "NuT"}, {"Mensch und Umwelt", "MUM"},
        {"Hauswirtschaft", "Hw"}, {"Textilarbeit", "TW"}, {"Naturphänomene", "Nph"},
        // A later provisional match replaces an earlier one; a final ends at once.
        {"Chemie Biologie", "Bio"}, {"Musik Sport Technik", "Sp"}, {"Technik Hauswirtschaft", "Hw"},
        {"Ethik Englisch", "Eth"},
        {"Biologie/Chemie/Physik", "Bio/Ch/Ph"}, {"Geschichte/", "G/"}, {"Chemie/Sport", "Sp"},
        {"Projekt/Chemie", "Proj/Ch"}, {"Wahlpflichtbereich", ""}, {"Technik/Wahlpflicht", ""}, {"", ""},
        {"    ", ""}, {"Kunst", "Kuns"}, {"AG", "AG  "}, {"Hauswirtschaft/Textil", "HTW"},
        // Case counts.
        {"deutsch", "deut"}};
    for (const auto& [name, code] : cases)
        EXPECT_EQ(SubjectToShortCode(QString::fromUtf8(name)), QString::fromUtf8(code)) << name;
}

TEST(ReplaceAll, ReplacesEveryOccurrenceAndRescans)
{
    QString t = "hat nach Klasse 9 der Werkrealschule/Hauptschule und Werkrealschule/Hauptschule";
    ReplaceAllText(t, "Werkrealschule/Hauptschule", "Hauptschule");
    EXPECT_EQ(t, "hat nach Klasse 9 der Hauptschule und Hauptschule");

    // Each round starts again at the front, so a match formed by a
    // replacement is taken too.
    QString s = "aabb";
    ReplaceAllText(s, "ab", "");
    EXPECT_EQ(s, "");

    QString unchanged = "abc";
    ReplaceAllText(unchanged, "", "x");
    EXPECT_EQ(unchanged, "abc");
    ReplaceAllText(unchanged, "z", "y");
    EXPECT_EQ(unchanged, "abc");

    // A replacement holding the search text ends after one pass.
    QString grow = "Haupt und Haupt";
    ReplaceAllText(grow, "Haupt", "Hauptschule");
    EXPECT_EQ(grow, "Hauptschule und Hauptschule");
}
