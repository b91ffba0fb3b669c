#pragma once

// "Prüfungsvorsitzender / Schulleiter": asks the exam chair and the head
// teacher of the open class, each with the current name as default, and
// rewrites the class's exam-board file ("vor" + school year + class level +
// ".dat": line 1 the chair, line 2 the head teacher) only when both prompts
// were confirmed.  A cancel at either prompt writes nothing (a name confirmed
// at the first prompt stays changed for this run).  state().inputOk tells
// whether the last prompt was confirmed.  True when the file was written.
namespace hsa {

bool EnterExamBoardNames();

} // namespace hsa
