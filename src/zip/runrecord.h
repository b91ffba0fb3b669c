#pragma once
// The record of an extraction run, kept so that a run cut off by a crash or
// a kill leaves nothing behind for good.  It is a hidden file in the target
// folder, ".unfinished-extraction.XXXXXXXX" (eight letters or digits), made
// before the run's first waiting name (a file or folder under a temporary
// name of its own, outside a staged folder) and removed when every file of
// the run has its name.  Text with LF line ends:
//   line 1: "zip extraction record 1"
//   then one line per waiting name, written before the name is made: "+" and
//   its path below the target ("/" between the folders), or "-" and such a
//   path again when the name proved taken by something else.
// The run holds an exclusive lock on the record for as long as it lives: a
// record nobody holds was left by a run that never ended.
#include "zip/safefs.h"

#include <string>

namespace hsa::zip {

inline constexpr char kRunRecordPrefix[] = ".unfinished-extraction.";

// True when a name begins with the record prefix in any case: an entry of
// that name could plant a record that a case-insensitive disk matches too.
bool TakesRecordName(const std::string& name);

class RunRecord {
public:
    explicit RunRecord(std::string target) : target_(std::move(target)) {}
    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;
    // Notes a waiting name below the target before it is made (taken false),
    // or after it proved taken by something else (true).  A record that
    // cannot be written only costs the clean-up after a crash.
    void Note(const std::string& relPath, bool taken);
    // Removes the record: the run left no waiting name.
    void Finish();
    const std::string& Target() const { return target_; }

private:
    std::string target_;
    Fd file_;
    std::string name_;
    bool failed_ = false;
};

struct Leftovers {
    int removed = 0;   // waiting files and folders of cut-off runs removed
    int kept = 0;      // such names that could not be removed
};

// Removes what cut-off runs left in `target` as their records name it: only
// names of the engine's waiting pattern below the target, never through a
// link, and nothing of a run that still lives.  A record whose names are all
// gone is removed with them; one with a name that stays is kept for the next
// run to try again.
Leftovers RemoveLeftoversOfEarlierRuns(const std::string& target);

} // namespace hsa::zip
