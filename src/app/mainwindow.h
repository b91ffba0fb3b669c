#pragma once
#include "app/anicursor.h"
#include "app/startup.h"

#include <QHash>
#include <QMainWindow>

class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QTableView;
class QTableWidget;
class QTimer;
class QVBoxLayout;
class QFrame;

namespace hsa {

class ClassGridView;
class StudentListModel;
class SubjectEditorPanel;

// The main window: the program's hub.  Its menu reaches every function, its
// label Label1 names the open class; everything it decides is in mainlogic.
class TForm1 : public QMainWindow, public StartupHost {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

    // The menu.
    QAction* menuEntry(const QString& name) const;
    QMenu* topMenu(int index) const;
    QAction* topEntry(int index) const;
    // Runs what choosing the entry does (also for hidden entries).
    void trigger(const QString& name);

    // Labels and the menu gate follow the shared state.
    void refreshFromState() override;

    // StartupHost.
    QString windowCaption() const override;
    void setWindowCaption(const QString& caption) override;
    void setApplicationTitle(const QString& title) override;
    void setHelpFile(const QString& file) override;
    void clearSubjectMemo() override;
    void applyScreenLayout(const ScreenLayout& layout, const ScreenInfo& screen) override;
    void setUpdateSwitchChecked(bool checked) override;
    void setHomepageEntryCaption(const QString& caption) override;

    // Controls other parts of the program show their data in.
    TDFAniCursor DFAniCursor1;  // holds no cursor data
    QLabel* Label1 = nullptr;   // open class
    QLabel* Label2 = nullptr;   // school name
    QLabel* Label3 = nullptr;   // write-protection hint
    QLabel* Label15 = nullptr;  // school type
    QTableView* DBGrid1 = nullptr;
    QListWidget* FileListBox1 = nullptr;
    ClassGridView* StringGrid1 = nullptr;
    QLabel* Label9 = nullptr;  // "Drucken: Doppelklick" while a grade table is open
    QGroupBox* RadioGroup2 = nullptr;
    QButtonGroup* RadioGroup2Buttons = nullptr;
    QGroupBox* RadioGroup4 = nullptr;
    QButtonGroup* RadioGroup4Buttons = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button5 = nullptr;
    QPlainTextEdit* Memo3 = nullptr;
    QFrame* Panel1 = nullptr;
    QFrame* Panel2 = nullptr;
    QScrollArea* Panel1Scroll = nullptr; // Panel1 scrolls inside the window, never widens it
    QLabel* Image1 = nullptr;
    QTimer* Timer1 = nullptr;  // 100 ms, the updater's quit signal
    QTimer* Timer2 = nullptr;  // 500 ms, idle
    QTimer* Timer3 = nullptr;  // 1 s, ends the updater watch once a class is open
    QTimer* Timer4 = nullptr;  // 50 ms, exam kind only for list types 1 and 3

    SubjectEditorPanel* SubjectEditor = nullptr;

    QString helpFile() const { return helpFile_; }

    // Double click or Return on the class list.
    void FileListBox1Activate();

    // Timer handlers, public for tests.
    void Timer1Timer();
    void Timer3Timer();
    void Timer4Timer();
    void Arbeitbeenden1Click();
    // The long-text memo and its "Ende" button go away together.
    void Memo1Exit();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void buildMenu();
    void buildControls();
    void buildCaptions(QWidget* central, QVBoxLayout* layout);
    void buildLists(QWidget* central, QVBoxLayout* layout);
    void buildPanels(QWidget* central, QVBoxLayout* layout);
    void buildTextAreas(QWidget* central, QVBoxLayout* layout);
    void fitPanel1();
    void connectControls();
    void registerOwnHandlers();
    void menuAboutToShow(int index);
    void showClassView();
    void gridStateChanged();
    void placeLabel9();

    StudentListModel* studentList_ = nullptr;
    QHash<QString, QAction*> entries_;
    QList<QMenu*> topMenus_;
    QList<QAction*> topEntries_;
    QString helpFile_;
    bool shownOnce_ = false;
};

} // namespace hsa
