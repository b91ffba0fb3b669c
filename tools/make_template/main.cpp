// Writes the class-table template "start2.dbf" that the program copies for
// every new class.  Usage: make_template [path]   (default: data/start2.dbf)
#include "classes/classtemplate.h"
#include "platform/errors.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("data/start2.dbf");
    try {
        hsa::WriteClassTemplate(path);
    } catch (const hsa::FileError& e) {
        std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
    std::printf("%s\n", path.toLocal8Bit().constData());
    return 0;
}
