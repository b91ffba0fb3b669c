#pragma once
#include <QWidget>

class QButtonGroup;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace hsa {

class TForm1;

// The archive window: whole classes of a school year copied or moved into
// the year archive.  A view over yearArchive(); shown modeless and maximized.
class Tarchivform : public QWidget {
    Q_OBJECT
public:
    explicit Tarchivform(QWidget* parent = nullptr);

    QLabel* Label2 = nullptr;          // source folder
    QComboBox* ComboBox1 = nullptr;    // school year
    QComboBox* ComboBox2 = nullptr;    // half-year
    QListWidget* FileListBox1 = nullptr;
    QButtonGroup* RadioGroup1 = nullptr; // 0 "Verschieben", 1 "Kopieren"
    QButtonGroup* RadioGroup2 = nullptr; // 0 "Festplatte", 1 "Laufwerk A"
    QLabel* Label4 = nullptr;          // target folder
    QListWidget* FileListBox2 = nullptr;
    QLabel* Panel3 = nullptr;          // progress
    QPushButton* Button1 = nullptr;    // "Archivierung starten"

    void refresh();

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

// The restore window: archived classes copied back into the program folder.
// A view over archiveRestore().
class Tarch2form : public QWidget {
    Q_OBJECT
public:
    explicit Tarch2form(QWidget* parent = nullptr);

    QLabel* Label2 = nullptr;          // working folder
    QButtonGroup* RadioGroup2 = nullptr; // 0 "Festplatte", 1 "Laufwerk A"
    QListWidget* FileListBox3 = nullptr; // year folders
    QComboBox* ComboBox2 = nullptr;    // half-year
    QLabel* Label4 = nullptr;          // archive folder
    QListWidget* FileListBox2 = nullptr; // archived classes
    QListWidget* FileListBox1 = nullptr; // classes of the working folder
    QLabel* Panel3 = nullptr;
    QPushButton* Button1 = nullptr;    // " Rückholung starten"

    void refresh();

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};

// Font size and normal size of both windows: the font Trunc(10 /
// FontFactor) points, the 640 x 480 design scaled by FormScale against 640
// (the windows are shown maximized, and kept on the screen).
struct ArchiveWindowScale {
    int fontSize = 10;
    int width = 640;
    int height = 480;
    bool operator==(const ArchiveWindowScale&) const = default;
};
ArchiveWindowScale ComputeArchiveWindowScale(int formScale, double fontFactor);

// Window classes and the stick double clicks (before the windows exist).
void InstallStickAndArchiveParts();
// The menu entries of the stick transfer and the year archive.
void InstallStickAndArchiveMenu(TForm1& form);

} // namespace hsa
