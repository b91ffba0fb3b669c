#pragma once
#include "classes/examgrid.h"
#include "print/layouts/listframe.h"
#include "print/printdata.h"

#include <QString>
#include <vector>

// The per-subject lists of the exam days, portrait, one print job per list,
// laid out in the page model (0.1 mm):
//   - participant lists (list types 0 to 2): the written exam, the oral or
//     practical exam with the year mark, the written mark and the boundary
//     grades, and the organisation list of the oral exam;
//   - the entry and result list of the communication exam in English (list
//     type 5).
// Columns are parts of W = PrintPageWidth - 100: u(k) = k x W / 19 cut, each
// edge the sum of the parts before it.  Rows start at y = 260 at pitch 75 (70
// on the communication list); a page takes a row while the position after it
// stays at most PrintPageHeight - 160, and a further page repeats the heading
// lines, the title and the heading band.  The foot follows the last row.
//
// The students are the class's students (records 1 to 38 with a name and a
// grade file, never the weighting record) in record order; subject index s is
// the index into the subject names (2 to 20), its exam-grid row s - 1.
namespace hsa {

// List types of the choice "Listentyp".
enum SubjectListType : int {
    ListWritten = 0,        // "Teilnehmer schriftl. Prüfung (Liste)"
    ListOral = 1,           // "Teilnehmer mündl./prakt. Püfung (Liste)"
    ListOrganisation = 2,   // "Organisation der mündl. Prüfung (Liste)"
    ListOralProtocols = 3,  // protocols of the oral or practical exam
    ListCommProtocols = 4,  // protocols of the communication exam
    ListCommunication = 5,  // "Teilnehmerliste für die Kommunikationsprüfung (E)"
};
// Exam kinds of the choice "Prüfungsart".
inline constexpr int kExamOral = 0;      // "mündlich"
inline constexpr int kExamPractical = 1; // "praktisch"

inline constexpr int kListFirstRowY = 260;
inline constexpr int kListBottomMargin = 160;

// u(k) = k x W / 19, cut.
int ListPart(int k, int w);

struct ParticipantListEdges {
    int left = 100, x1 = 0, x2 = 0, x3 = 0, x4 = 0, x5 = 0, right = 0;
    int c = 0; // width unit of the correction columns: 5 x W / 114 cut
};
ParticipantListEdges ParticipantListGeometry(int pageWidth);

struct CommunicationListEdges {
    int left = 100, x1 = 0, xJ = 0, xE = 0, xA = 0, right = 0;
    int c = 0;
};
CommunicationListEdges CommunicationListGeometry(int pageWidth);

// A student with a grade file and a name gets a row of a participant list
// when the list's exam cell (written for type 0; oral, or for exam kind 1
// communication/practical, for types 1 and 2) reads "P" or a mark above 0.
bool IsListParticipant(const ExamGrid& grid, int row, int listType, int examKind);

// The boundary-grade column of the oral or practical list with marks:
// "-" without a year mark or when the bounds are "--", else
// current + " :  [ " + lower + "..." + upper + " ]".  Computed for the row
// alone.
QString BoundaryGradeText(const ExamGrid& grid, int row, int examKind, const GradeContext& context);

// The participant list of subject s (list types 0, 1 and 2; the
// organisation list is the oral list without marks).
void PrintSubjectExamList(const ClassPrintData& cls, const std::vector<StudentPrintData>& students,
                          int s, int listType, int examKind, bool withMarks);

// The communication-exam list of subject s: every student, the year mark and,
// with marks, the communication mark.  firstKlasse is KLASSE of the class
// table's first record.
void PrintCommunicationExamList(const ClassPrintData& cls,
                                const std::vector<StudentPrintData>& students,
                                const QString& firstKlasse, int s, bool withMarks);

} // namespace hsa
