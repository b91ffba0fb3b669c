#include "app/smalldialogs.h"
#include "app/aboutbox.h"
#include "app/apphooks.h"
#include "app/certlineseditor.h"
#include "app/passworddlg.h"
#include "app/programblock.h"
#include "app/schooldatadlg.h"
#include "app/sonderdlg.h"
#include "app/zoomdlg.h"

#include <QPointer>

namespace hsa {

namespace {

// The created window of a form name, or one made on first use.
template <typename T>
T* windowOf(const char* formName)
{
    if (auto* w = qobject_cast<T*>(ProgramWindow(QString::fromLatin1(formName))))
        return w;
    static QPointer<T> own;
    if (!own) {
        own = new T;
        own->setObjectName(QString::fromLatin1(formName));
    }
    return own.data();
}

} // namespace

void RegisterSmallDialogs()
{
    RegisterWindowClass(QStringLiteral("TBtnRightDlg"), [] { return new TBtnRightDlg; });
    RegisterWindowClass(QStringLiteral("TPasswordDlg"), [] { return new TPasswordDlg; });
    RegisterWindowClass(QStringLiteral("TAboutBox"), [] { return new TAboutBox; });
    RegisterWindowClass(QStringLiteral("TBtnRightDlg1"), [] { return new TBtnRightDlg1; });
    RegisterWindowClass(QStringLiteral("TForm5"), [] { return new TForm5; });
    RegisterWindowClass(QStringLiteral("Tform_sonder"), [] { return new Tform_sonder; });
    appHooks().showPasswordDialog = &ShowPasswordDialog;
}

void ShowPasswordDialog(bool modal)
{
    TPasswordDlg* d = windowOf<TPasswordDlg>("PasswordDlg");
    if (modal) {
        d->exec();
    } else {
        d->show();
        d->raise();
        d->activateWindow();
    }
}

void ShowSchoolDataDialog()
{
    TBtnRightDlg* d = windowOf<TBtnRightDlg>("BtnRightDlg");
    d->prepareForSchoolType();
    d->exec();
}

void ShowZoomDialog()
{
    windowOf<TBtnRightDlg1>("BtnRightDlg1")->exec();
}

void ShowAboutBox()
{
    windowOf<TAboutBox>("AboutBox")->exec();
}

void ShowCertificateLinesEditor()
{
    windowOf<TForm5>("Form5")->exec();
}

void ShowSpecialFunctionsDialog()
{
    windowOf<Tform_sonder>("form_sonder")->exec();
}

} // namespace hsa
