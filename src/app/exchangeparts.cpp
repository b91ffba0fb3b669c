#include "app/exchangeparts.h"

#include "app/duallistdlg.h"
#include "app/mainmenu.h"
#include "app/programblock.h"
#include "exchange/familyclassimport.h"
#include "exchange/finalgradeexport.h"

namespace hsa {

void InstallExchangeParts()
{
    RegisterWindowClass(QStringLiteral("TDualListDlg"), [] { return new TDualListDlg; });
    RegisterMenuHandler(QStringLiteral("Endnotenausspielen1"), [] { ConfirmFinalGradeExport(); });
    RegisterMenuHandler(QStringLiteral("Endnotenzeugnisdruck1"), [] { ConfirmFinalGradeExportFromClassMenu(); });
    RegisterMenuHandler(QStringLiteral("Einkopieren1"), [] { TakeInFamilyClassFile(); });
    RegisterMenuHandler(QStringLiteral("N3"), [] { N3Click(); });
}

} // namespace hsa
