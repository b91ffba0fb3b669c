#pragma once
#include <QString>
#include <QStringList>
#include <functional>

// The year archive: whole classes (class table "9a_21222.dbf" and class
// folder "9a_21222") moved or copied out of the program folder into a folder
// named after the school year ("2122"), either beside the classes on the hard
// disk or on the volume that stands for "Laufwerk A" (DriveAFolder), and
// single classes copied back from there.
namespace hsa {

enum class ArchivePlace { HardDisk, DriveA };

// Caption of a place in the windows' groups ("Festplatte", "Laufwerk A").
QString ArchivePlaceCaption(ArchivePlace place);

// A school year is exactly four digits; anything else gives "9495" and sets
// replaced, so no year can name another folder.
QString CheckedYear(const QString& text, bool* replaced = nullptr);
// "1" or "2"; anything else gives the empty half-year.
QString CheckedHalfYear(const QString& text);
// Mask of the class tables of a year and half-year: "??_" + year + half + "*.dbf".
QString YearClassMask(const QString& year, const QString& halfYear);
// The distinct school years (characters 4 to 7) of the class tables
// "??_*.dbf" in folder, sorted; only four-digit years.
QStringList ClassFileYears(const QString& folder);
// The year folders (four digits) in root, sorted.
QStringList YearFolders(const QString& root);

enum class ClassCopy { Done, Skipped, TargetFull };

// Copies the class table name and the regular files of its class folder from
// the folder from into the folder to (both created when missing).  A name
// that is not a bare file name, or from and to being one folder, raise
// FileError.  A class that another program holds open (ClassTableLock) in to,
// or in from when moving, is refused with ClassInUseMessage (Skipped).  An
// existing class in to is overwritten only after overwriteQuestion is
// answered Yes; its "v.", "m." and "l." files 1 to 40 do not stay.  Too
// little free space in to for the whole class gives the full-target warning
// (firstLine, "Ab <name> wird nicht mehr kopiert.") and TargetFull before
// anything is written.  Files of 0 bytes are skipped when copying and
// carried as empty files when moving.  The class is put together beside the
// target and replaces the older one in one step (ClassStaging): on any
// failure the target is as before.  Moving records its intent first
// (ArchiveMove) and takes the sources away only then; the class folder goes
// only when it is empty then.  What a killed program left half-done in
// either folder is finished or put back first, and a class that another
// program's unfinished work holds is refused (ClassBeingChangedMessage,
// Skipped).  The class folder in from is read only after the last question;
// one that cannot be read, has gone since the first look, or is missing
// while to holds the class's folder raises FileError
// (CheckSourceClassFolder) and nothing is copied.  Raises FileError.
ClassCopy CopyClassBetweenFolders(const QString& from, const QString& to, const QString& name, bool move,
                                  const QString& overwriteQuestion, const QString& fullFirstLine);

// Window state and actions shared by the archive and the restore window.
class ArchiveWindowModel {
public:
    virtual ~ArchiveWindowModel() = default;

    QString year() const { return year_; }
    QString halfYear() const { return halfYear_; }
    ArchivePlace place() const { return place_; }
    // Leaving the year or half-year box.
    void SetYear(const QString& text);
    void SetHalfYear(const QString& text);
    // Choosing "Laufwerk A" falls back to "Festplatte" (with a warning) when
    // it is not accessible; false then.
    bool SetPlace(ArchivePlace place);

    // Beep of a replaced year; the "Kopiere <name>" progress text (empty
    // hides it).
    std::function<void()> beep;
    std::function<void(const QString&)> progress;

protected:
    QString placeRoot() const;
    // True when the run may start (no class open, something selected, the
    // question answered Yes).
    bool confirmRun(const QStringList& selected, const QString& question) const;
    void showProgress(const QString& text) const;
    // Copies each selected class with copyOne until the target is full; a
    // file error ends the run with its message.
    void copyClasses(const QStringList& selected, const std::function<ClassCopy(const QString&)>& copyOne);
    virtual void yearReplaced() {}

    QString year_;
    QString halfYear_;
    ArchivePlace place_ = ArchivePlace::HardDisk;
    QString workFolder_;
};

// The archive window (Tarchivform).
class YearArchive : public ArchiveWindowModel {
public:
    // The window comes up for the program folder: the years of its classes,
    // the first selected, no half-year.
    void Activate(const QString& sourceFolder);
    QStringList years() const { return years_; }
    bool moving() const { return move_; }
    void SetMoving(bool move) { move_ = move; }
    QString sourceFolder() const { return workFolder_; }
    // The year folder the classes go to.
    QString targetFolder() const;
    QStringList sourceFiles() const;
    QStringList targetFiles() const;
    // "Archivierung starten" with the selected class tables.
    void Start(const QStringList& selected);
    ClassCopy ArchiveClassFile(const QString& name);

private:
    void yearReplaced() override { halfYear_.clear(); }
    QStringList years_;
    bool move_ = false;
};

// The restore window (Tarch2form).
class ArchiveRestore : public ArchiveWindowModel {
public:
    // The window comes up for the working folder: the first year folder of
    // the archive chosen (the year stays when there is none), no half-year,
    // so it shows the same whatever was clicked before it was closed.
    void Activate(const QString& workingFolder);
    QString workingFolder() const { return workFolder_; }
    QStringList yearFolders() const;
    // The list of year folders as the window shows it: "[..]" first, then
    // each year folder in square brackets ("[2122]").
    QStringList yearFolderEntries() const;
    // A click on a year folder: its year, no half-year.
    void ChooseYearFolder(const QString& folder);
    // A click on an entry of yearFolderEntries: a year folder chooses its
    // year; "[..]" empties the list of archived classes until a year is
    // chosen again.
    void ChooseYearEntry(const QString& entry);
    // The entry of yearFolderEntries that stands chosen: "[..]" after a click
    // on it, else the year's folder.
    QString chosenYearEntry() const;
    QString archiveFolder() const;
    QStringList archivedFiles() const;
    QStringList workingFiles() const;
    // " Rückholung starten" with the selected archived class tables.
    void Start(const QStringList& selected);
    ClassCopy RestoreArchivedClass(const QString& name);

private:
    bool leftYearFolders_ = false;
};

YearArchive& yearArchive();
ArchiveRestore& archiveRestore();

} // namespace hsa
