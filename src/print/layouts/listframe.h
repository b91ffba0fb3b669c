#pragma once
#include <QString>
#include <functional>

// What the per-subject lists, the protocol sheets and the note pages share:
// the start of a portrait job in the printer font and line width, font sizes
// taken times the font stretch, the school-year text of the heading, and the
// hooks through which a loop over students shows its progress and learns of
// the abort button.
namespace hsa {

// Connects a print loop to the main window: the progress text (and the abort
// button beside it), the abort request and the end of the loop.  Any member
// may be empty.
struct ListPrintHooks {
    // Shows text in the progress field and the abort button.
    std::function<void(const QString& text)> showProgress;
    // True when the user asked to stop; lets pending window events run first.
    std::function<bool()> abortRequested;
    // Clears the abort request once the loop has stopped for it.
    std::function<void()> clearAbortRequest;
    // Hides the progress field and the abort button.
    std::function<void()> finish;

    bool abortNow() const { return abortRequested && abortRequested(); }
};

// Portrait orientation, BeginPrint, font size 40, the printer font, the pen
// width of the settings.  False when no job runs (the printer failed; the
// user was told).
bool StartPortraitJob();

// SetPrintFontHeight(size x PrintFontStretch).
void SetListFontSize(int size);

// "Abschlussprüfung Schuljahr " + characters 4-5 + "/" + characters 6-7 of
// the class file name.
QString ExamSchoolYearText(const QString& classFile);
// The characters 4-5 + "/" + 6-7 alone ("25/26").
QString SchoolYearDigits(const QString& classFile);
// The first character of the class file name, upper-cased ("X", "Y", "9").
QString UpperClassCode(const QString& classFile);

// The school name split at its first "?": the part before it and the part
// after it (empty and twoLines false when the name has no "?").
struct SchoolNameParts {
    QString first;
    QString second;
    bool twoLines = false;
};
SchoolNameParts SplitSchoolName(const QString& schoolName);

} // namespace hsa
