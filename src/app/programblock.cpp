#include "app/programblock.h"

#include "app/mainwindow.h"
#include "app/programparts.h"
#include "app/scaling.h"
#include "app/startup.h"
#include "classes/schoolsettings.h"
#include "classes/sharedstate.h"
#include "platform/programwide.h"
#include "platform/screen.h"

#include <QApplication>
#include <QDialog>
#include <QHash>
#include <QPointer>

namespace hsa {

namespace {

QHash<QString, std::function<QWidget*()>>& factories()
{
    static QHash<QString, std::function<QWidget*()>> f;
    return f;
}

QHash<QString, QPointer<QWidget>>& created()
{
    static QHash<QString, QPointer<QWidget>> c;
    return c;
}

QStringList& createdOrder()
{
    static QStringList o;
    return o;
}

QString& helpFile()
{
    static QString h;
    return h;
}

QList<ProgramWindowDef> buildOrder()
{
    const char* windows[][2] = {
        {"TForm1", "Form1"},
        {"TBtnRightDlg", "BtnRightDlg"},
        {"TForm2", "Form2"},
        {"TDualListDlg", "DualListDlg"},
        {"TPasswordDlg", "PasswordDlg"},
        {"TAboutBox", "AboutBox"},
        {"TForm3", "Form3"},
        {"TBtnRightDlg1", "BtnRightDlg1"},
        {"Tarch2form", "arch2form"},
        {"Tarchivform", "archivform"},
        {"TForm4", "Form4"},
        {"TForm5", "Form5"},
        {"Tmemoeingabe", "memoeingabe"},
        {"Tform_sonder", "form_sonder"},
        {"TForm_email", "Form_email"},
    };
    QList<ProgramWindowDef> out;
    for (const auto& w : windows)
        out << ProgramWindowDef{QString::fromLatin1(w[0]), QString::fromLatin1(w[1]), {}};
    return out;
}

// The main window's creation: the window itself, then its start-up.
class StartupMainWindow {
public:
    static TForm1* create()
    {
        auto* w = new TForm1;
        InstallMenuHandlers(*w);
        helpFile() = ProgramBlockHelpFile;
        RunFormCreate(*w);
        helpFile() = w->helpFile();
        return w;
    }
};

} // namespace

const QList<ProgramWindowDef>& ProgramWindowOrder()
{
    static const QList<ProgramWindowDef> order = buildOrder();
    return order;
}

void RegisterWindowClass(const QString& className, std::function<QWidget*()> create)
{
    factories().insert(className, std::move(create));
}

QWidget* ProgramWindow(const QString& formName)
{
    return created().value(formName).data();
}

TForm1* MainWindow()
{
    return qobject_cast<TForm1*>(ProgramWindow(QStringLiteral("Form1")));
}

QStringList CreatedWindowOrder()
{
    return createdOrder();
}

QString ApplicationHelpFile()
{
    if (TForm1* w = MainWindow())
        return w->helpFile();
    return helpFile();
}

TForm1* RunProgramBlock()
{
    QApplication::setApplicationName(ProgramBlockTitle);
    InstallProgramParts();
    helpFile() = ProgramBlockHelpFile;
    KeepWindowsOnScreen();
    createdOrder().clear();
    TForm1* main = nullptr;
    for (const ProgramWindowDef& def : ProgramWindowOrder()) {
        QWidget* w = nullptr;
        if (def.className == QStringLiteral("TForm1")) {
            main = StartupMainWindow::create();
            w = main;
        } else if (auto f = factories().value(def.className)) {
            w = f();
        } else {
            // A window whose contents are still to come: an empty window of
            // its class and name, so that callers find it.
            auto* d = new QDialog;
            d->setProperty("windowClass", def.className);
            w = d;
        }
        w->setObjectName(def.formName);
        created().insert(def.formName, w);
        createdOrder() << def.formName;
        if (def.className == QStringLiteral("TDualListDlg")) {
            // The import dialog scales the windows created after it from the
            // screen height.
            const ScreenInfo s = screen().info();
            state().formScale = FormScaleAfterImportDialog(s.height, state().fontFactor, s.usableWidth());
        }
    }
    return main;
}

void DestroyProgramWindows()
{
    // The main window last: the others may refer to it while they go.
    QStringList order = createdOrder();
    for (auto it = order.crbegin(); it != order.crend(); ++it) {
        QPointer<QWidget> w = created().value(*it);
        if (w)
            delete w.data();
    }
    created().clear();
    createdOrder().clear();
    SetMainWindowRefresh({});
}

namespace {
const ProgramWideReset resetProgramWindows(ResetOrder::Windows, &DestroyProgramWindows);
}

} // namespace hsa
