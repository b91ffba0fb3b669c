#pragma once
#include "print/recordingdevice.h"
#include "support/programfolder.h"

#include <QPoint>
#include <algorithm>
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

// What text number i of a job's texts runs into, or an empty text: a rule
// through it (a vertical one inside it, a horizontal one through its cell),
// another text on its line that it overlaps, the right limit (the printable
// area's edge or the edge of the document's frame), the page's left edge or
// the bottom of the printable area (bottom > 0).  Two texts share a line when
// their cells overlap by more than a third of the smaller one: lines set one
// under the other with a tight spacing do not.  A rule along the top or the foot of
// a cell only touches it.
inline QString TextCrossing(const QList<PrintedText>& texts, const QList<PrintedLine>& lines, int i, int right,
                            int bottomEdge = 0)
{
    const PrintedText& t = texts[i];
    const int top = t.pageY(), bottom = top + t.fontHeight;
    const auto sharesLine = [&](int a, int b) { return std::min(bottom, b) - std::max(top, a) > 5; };
    if (t.right() > right)
        return QStringLiteral("the edge at x %1").arg(right);
    if (t.x < 0)
        return QStringLiteral("the page's left edge");
    if (bottomEdge > 0 && bottom > bottomEdge)
        return QStringLiteral("the foot of the printable area at y %1").arg(bottomEdge);
    for (const PrintedLine& l : lines) {
        if (l.page != t.page)
            continue;
        if (l.x1 == l.x2 && l.x1 > t.x && t.right() > l.x1
            && sharesLine(std::min(-l.y1, -l.y2), std::max(-l.y1, -l.y2)))
            return QStringLiteral("the rule at x %1").arg(l.x1);
        const int margin = std::max(3, t.fontHeight / 10);
        if (l.y1 == l.y2 && -l.y1 > top + margin && -l.y1 < bottom - margin
            && std::min(t.right(), std::max(l.x1, l.x2)) - std::max(t.x, std::min(l.x1, l.x2)) > 2)
            return QStringLiteral("the rule at y %1").arg(-l.y1);
    }
    for (int k = 0; k < texts.size(); ++k) {
        const PrintedText& u = texts[k];
        if (k != i && u.page == t.page && !u.text.trimmed().isEmpty()
            && std::min(t.right(), u.right()) - std::max(t.x, u.x) > 2
            && std::min(bottom, u.pageY() + u.fontHeight) - std::max(top, u.pageY())
                > std::max(5, std::min(t.fontHeight, u.fontHeight) / 3))
            return QStringLiteral("\"%1\" at x %2").arg(u.text).arg(u.x);
    }
    return {};
}

// A fresh state in a program folder of its own, the recording printer and
// scripted answers: the set-up of the page, layout and settings tests.
class PrintTest : public ProgramFolderTest {
protected:
    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        setPrinterSystem(&rec.system());
    }
    static QPoint at(const PrintJob& job, const QString& text) { return TextAt(job, text); }
    static QString textsAt(const PrintJob& job, int x, int y) { return TextsAt(job, x, y); }
    RecordingDevice& dev() { return rec.device(); }

    ScopedRecordingPrinter rec;
};

} // namespace hsa::test
