#pragma once
#include "platform/scriptedprompt.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// Grade files spoiled the ways a damaged or hand-edited file comes: cut
// after a number of lines, or with one line replaced; and the warnings a
// scripted prompt was shown.
namespace hsa::test {

// The first n lines of a file, each with its CR LF.
inline QByteArray FirstLines(const QByteArray& bytes, int n)
{
    qsizetype at = 0;
    for (int i = 0; i < n && at >= 0; ++i) {
        const qsizetype end = bytes.indexOf("\r\n", at);
        at = end < 0 ? bytes.size() : end + 2;
    }
    return bytes.left(at);
}

// The file with line index (from 0) replaced by text.
inline QByteArray WithLine(const QByteArray& bytes, int index, const QByteArray& text)
{
    QList<QByteArray> lines = bytes.split('\n');
    lines[index] = text + "\r";
    return lines.join('\n');
}

// Line index of the cell (column, row) of the exam grid in a grade file.
inline int CellLine(int column, int row)
{
    return column * 20 + row;
}

inline QStringList Warnings(const ScriptedPrompt& prompt)
{
    QStringList out;
    for (const ScriptedPrompt::Shown& s : prompt.shown())
        if (s.call == ScriptedPrompt::Call::Message && s.kind == MsgKind::Warning)
            out << s.text;
    return out;
}

} // namespace hsa::test
