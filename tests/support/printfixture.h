#pragma once
#include "print/recordingdevice.h"
#include "support/programfolder.h"

#include <QPoint>
#include <gtest/gtest.h>

namespace hsa::test {

// The page point of the first text equal to text in job, or (-1, -1).
inline QPoint TextAt(const PrintJob& job, const QString& text)
{
    const auto t = job.findText(text);
    return t ? QPoint(t->x, t->pageY()) : QPoint(-1, -1);
}

// Every text printed at the page point (x, y), joined by "|".
inline QString TextsAt(const PrintJob& job, int x, int y)
{
    QStringList out;
    for (const PrintedText& t : job.texts())
        if (t.x == x && t.pageY() == y)
            out << t.text;
    return out.join(QLatin1Char('|'));
}

// A fresh state in a program folder of its own, the recording printer and
// scripted answers: the set-up of the page, layout and settings tests.
class PrintTest : public ProgramFolderTest {
protected:
    static QPoint at(const PrintJob& job, const QString& text) { return TextAt(job, text); }
    static QString textsAt(const PrintJob& job, int x, int y) { return TextsAt(job, x, y); }
    RecordingDevice& dev() { return rec.device(); }

    ScopedRecordingPrinter rec;
};

} // namespace hsa::test
