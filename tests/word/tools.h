#pragma once
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace hsa::test {

// Runs a peer program; its standard output, or nothing when it failed.
inline QString RunPeer(const QString& program, const QStringList& args, int* exitCode = nullptr)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(120000);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline bool HavePythonDocx()
{
    int rc = -1;
    RunPeer(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import docx")}, &rc);
    return rc == 0;
}

// A document made by python-docx with the bookmarks "Name" (around a bold
// run "XXX" after "Name: ", followed by " Ende"), "Datei" (empty, after
// "Datei: "), "Zelle" (in a table cell, around "alt") and "SN1" (in the
// header, after "Schule: ").
inline bool MakePeerDocument(const QString& path)
{
    const QString script = QStringLiteral(R"(
import sys, docx
from docx.oxml import OxmlElement
from docx.oxml.ns import qn
d = docx.Document()
n = [0]
def mark(par, name, before='', inside=''):
    if before: par.add_run(before)
    s = OxmlElement('w:bookmarkStart'); s.set(qn('w:id'), str(n[0])); s.set(qn('w:name'), name)
    e = OxmlElement('w:bookmarkEnd'); e.set(qn('w:id'), str(n[0])); n[0] += 1
    par._p.append(s)
    if inside: par.add_run(inside).bold = True
    par._p.append(e)
p = d.add_paragraph(); mark(p, 'Name', 'Name: ', 'XXX'); p.add_run(' Ende')
p = d.add_paragraph(); mark(p, 'Datei', 'Datei: ')
t = d.add_table(rows=1, cols=2); mark(t.cell(0, 1).paragraphs[0], 'Zelle', '', 'alt')
mark(d.sections[0].header.paragraphs[0], 'SN1', 'Schule: ')
d.save(sys.argv[1])
)");
    int rc = -1;
    RunPeer(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path}, &rc);
    return rc == 0;
}

} // namespace hsa::test
