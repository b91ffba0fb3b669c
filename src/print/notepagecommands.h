#pragma once

// The two ways the note pages are printed: a range of the open class from
// the print menu, and the grade window's student with the notes as typed.
namespace hsa {

// "Nf:  Alle Notizfelder in Listenform": asks for the range and prints its
// pages in one print command, with the progress field and the abort button.
// Does nothing while no class is open.
void PrintNotePagesOfRange();

// "Notizfeld drucken" of the grade window: the page of the student it shows,
// with its notes as they stand (saved or not).
void PrintGradeWindowNotePage();

} // namespace hsa
