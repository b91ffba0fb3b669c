#pragma once
#include "exchange/multiclassimport.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace hsa {

// "Import mehrerer Klassen aus vorbereiteten ASCII-Dateien": the files of the
// working folder on the left, the ones picked for the import on the right.
// The lists and the import live in DualListModel and RunMultiClassImport;
// this window only shows them and passes the clicks on.
class TDualListDlg : public QDialog {
    Q_OBJECT
public:
    explicit TDualListDlg(QWidget* parent = nullptr);

    QListWidget* SrcList = nullptr;
    QListWidget* DstList = nullptr;
    QPushButton* IncludeBtn = nullptr;
    QPushButton* IncAllBtn = nullptr;
    QPushButton* ExcludeBtn = nullptr;
    QPushButton* ExAllBtn = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* Label1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
    QPushButton* HelpBtn = nullptr;

    DualListModel& model() { return model_; }
    // Activation: both lists filled afresh from the working folder.
    void Activate();
    // "Import  starten".
    void OKBtnClick();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void showLists(int sourceRow, int destinationRow);
    static QList<int> selectedRows(QListWidget* list);

    DualListModel model_;
};

// The hidden menu entry "anlegen mit Import aus einer ASCII- oder SDF-Datei".
void N3Click();

} // namespace hsa
