#pragma once
#include "print/printdata.h"

// The certificates of external candidates ("Schulfremde"), one A4 portrait
// page each on the job the print driver has begun, ended here:
//   HSA  "Zeugnis über den Hauptschulabschluss", for exam result 8: subjects
//        with their grade words, the project and presentation blocks and the
//        whole grade in a box;
//   WRS  "Zeugnis über einen dem Realschulabschluss gleichwertigen
//        Bildungsstand", for exam result 7: subjects with their grade words
//        only, the whole page below a heading moved down by 100 (1 cm).
// Kind 6 adds "gez.:" with the exam chair and the bold "Abschrift".  Subject
// texts come from column 0 of the grade list, the words (list variant) from
// column 1; the WRS page may take the names of the vocational subjects from
// the first two lines of the student's notes.  The places are the form's while
// the subjects leave room for them; a longer list moves the parts below it
// down, then closes its rows up, so that no text stands over another.
namespace hsa {

void PrintExternalHsaCertificate(const ClassPrintData& cls, const StudentPrintData& student, int kind);
void PrintExternalWrsCertificate(const ClassPrintData& cls, const StudentPrintData& student, int kind);

} // namespace hsa
