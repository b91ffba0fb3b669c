#include "app/mainwindow.h"
#include "app/programblock.h"
#include "app/singleinstance.h"
#include "platform/instanceguard.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv)
{
    // The guard runs before any window exists: a second copy ends silently.
    hsa::FileLockInstanceGuard guard;
    if (!hsa::RunSingleInstanceGuard(QDir::currentPath(), guard))
        return 0;

    QApplication app(argc, argv);
    // Qt's own dialogs (file choice, buttons) speak German like the program.
    QTranslator qtGerman;
    if (qtGerman.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                      QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(&qtGerman);
    hsa::TForm1* main = hsa::RunProgramBlock();
    main->show();
    const int rc = app.exec();
    hsa::DestroyProgramWindows();
    return rc;
}
