#pragma once

// The document kinds of the per-student prints.  A print menu entry stores
// one in the shared state (printDocKind), the drivers hand it to the
// dispatch (ChooseStudentLayout), and the dispatch hands the layout the kind
// it prints, which may differ (a certificate becomes the class-9 certificate,
// a leaving certificate or the layout-A kind of an "X" class).  The numbers
// are those the program has always used; an "X" class's final certificate
// kinds are the menu kinds + kDocXClassOffset.
namespace hsa {

// Set by the print menu entries.  Kind 1, "Abschlusszeugnis / Abgangszeugnis
// / Leistungsstand Kl. 9", is the certificate the exam result calls for.
inline constexpr int kDocCertificate = 1;
inline constexpr int kDocYearMarkSheet = 2;       // "Jahresleistungszeugnis (Schülerblatt)"
inline constexpr int kDocFinalGradeSheet = 3;     // "Schülerblatt Endnoten auf 1 Dezimale"
inline constexpr int kDocExamTable = 4;           // "Prüfungstabelle" (cover sheet of the exam folder)
inline constexpr int kDocBoundaryGradeSheet = 5;  // "Schülerblatt ... Grenznotenberechnung" (oral-exam registration)
inline constexpr int kDocCertificateCopy = 6;     // "Abschrift (Abschlusszeugnis nach abgelegter Prüfung)"

// Set by the all-students and range drivers: the year-mark sheet with the
// exam choice sheet ("Ausdruck Jahresleistungen mit Prüfungswahlbogen?").
inline constexpr int kDocYearMarksWithChoice = 29;

// Set by the dispatch.
inline constexpr int kDocClass9Certificate = 7;   // "hat die Hauptschule nach Klasse 9 erfolgreich abgeschlossen"
inline constexpr int kDocXClassOffset = 10;       // added to kinds 1 and 6 for an "X" class
// 11: the "Abschlusszeugnis" of an "X" class; 16: its "Abschrift".
inline constexpr int kDocXCertificate = kDocCertificate + kDocXClassOffset;
inline constexpr int kDocXCertificateCopy = kDocCertificateCopy + kDocXClassOffset;
inline constexpr int kDocLeavingDuringYear = 20;  // "Abgangszeugnis": "heute während der Klasse ..."
inline constexpr int kDocLeavingAtYearEnd = 21;   // "Abgangszeugnis": "heute am Ende der Klasse ..."

static_assert(kDocXCertificate == 11 && kDocXCertificateCopy == 16);

} // namespace hsa
