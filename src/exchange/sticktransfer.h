#pragma once
#include <QString>
#include <QStringList>
#include <functional>

// An exam class carried between two installations on a USB stick, and the
// older way a family class table is taken in from a stick.
//
// Stick layout (R = the stick folder, <name> = "9a_21222.dbf", <cls8> = its
// first 8 characters, the class folder):
//   R/<name>          the class table with the eight German letters in the
//                     family's code-page-850 bytes (MakeOemTableCopy)
//   R/9a_21222.gxm    the same bytes again; written last, it marks a complete
//                     class of this program
//   R/vor21229.dat    the exam-board names, when the class has them
//   R/<cls8>/v.1..40  the grade files; the "m." and "l." files stay home
//   R/<cls8>/*.doc(x) up to 41 non-empty Word attachments, in name order
// The import writes the same set back and turns the table into plain
// Windows-1252 again; a family table ("9a-21222.dbf") comes in unchanged.
// Both directions put the whole class together beside the target first and
// replace the older class in one step (ClassStaging); the import takes the
// class's lock (ClassTableLock) for it.  Only the grade files and
// attachments the class folder held when the transfer began travel; one of
// them that can no longer be opened, or the folder gone by the end (a pulled
// stick), fails the transfer and leaves the target as it was.  A stick that
// is the program folder, or a name with a path separator or "..", is refused.
namespace hsa {

class ClassStaging;

// The class-table marker beside name on the stick ("9a_21222.gxm").
QString StickMarkerName(const QString& tableName);

// Writes the class table at source to dest with every byte after the header
// (its length from header bytes 8 and 9) mapped by Windows1252ToFamilyBytes.
// Raises FileError.
void MakeOemTableCopy(const QString& source, const QString& dest);

// The Word attachments of a class folder that travel: regular ".doc" and
// ".docx" files (any case) longer than 0 bytes, in name order, at most 41.
// Raises FileError when the folder cannot be read (ReadFolder).
QStringList StickAttachments(const QString& classFolder);

// "NR: Nachname, Vorname" of every student of the class table whose name holds
// a byte the stick's code-page-850 form cannot bring back.
QStringList NamesLostOnStick(const QString& tablePath);

class StickTransfer {
public:
    // Menu "... Wendra-Prüfungsklasse auf USB-Stick sichern".
    void PrepareExport();
    // Menu "... Wendra-Prüfungsklasse (...) vom USB-Stick einspielen".
    void PrepareImport();
    // Menu "EINKOPIEREN einer KORVI-Klassendatei (aus Versionen bis S76) ...".
    void PrepareFamilyImport();
    // The double click in the list modes "ausspielen" and "einspielen".
    void ExportClassToStick(const QString& name);
    void ImportClassFromStick(const QString& folder, const QString& name);

    bool familyImportPending() const { return familyImportPending_; }
    // The progress text of the main window ("Kopiere Schüler Nr. 3"; empty
    // hides it).
    std::function<void(const QString&)> progress;

private:
    struct SourceListing;
    bool refusedToStart();
    void copyClassFolder(const SourceListing& from, const QString& existing, ClassStaging& staging,
                         const QString& cls8, const QString& sourceGone);
    void showProgress(const QString& text);

    bool familyImportPending_ = false;
};

StickTransfer& stickTransfer();

// Menu "Archivierung: Empfehlung".
void ShowYearEndHint();

} // namespace hsa
