#!/usr/bin/env python3
"""Plant deliberate faults one at a time in a throw-away copy of the tree and
report for each whether the test programs that cover the changed file catch it.

    tools/plant-faults.py [--copy DIR] [--only ID,ID] [--jobs N] [--check]

--check only verifies that every fault's text is found exactly once.
A fault listed in EQUIVALENT gives the same results as the sound code; when
no test catches it, it is reported as "same" with the reason, not as missed.
The real tree is never edited: the copy (default /tmp/hsa-faults) is refreshed
from it, one build folder is reused and each file is restored after
its fault, so only the changed library and its test programs are rebuilt.
--jobs N shares the faults out over N copies (DIR-1 ... DIR-N) run side by side.
"""
import argparse
import filecmp
import os
import pathlib
import shutil
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent

# Programs that no longer exist in a tree are skipped, so older trees run too.
ARITH = ["test_classes_arithmetic", "test_grades_sheet", "test_classes"]
SHEET = ["test_grades_sheet"]
DBF = ["test_classes_dbf", "test_classes_studentlist", "test_classes_subjects"]
LIST = ["test_classes_studentlist"]
RULES = ["test_grades_sheet", "test_grades_classgrid"]
GRID = ["test_grades_classgrid", "test_grades_sheet"]
PAGE = ["test_print_pagemodel"]
DRIVERS = ["test_print_drivers", "test_print_sheets"]
CERTS = ["test_print_drivers", "test_print_layouts"]
TABLES = ["test_print_classtables", "test_print_sheets"]
LAYOUTS = ["test_print_layouts", "test_print_gradewords"]
SUBJECTS = ["test_classes_subjects"]
# The engine's own programs, then those of the exchange that drive it.
ZIP_ONLY = ["test_zip_core", "test_zip_crypto", "test_zip_durableextract", "test_zip_fastextract", "test_zip_fuzzreplay",
            "test_zip_killsweep", "test_zip_peers", "test_zip_volumes", "test_zip"]
ZIP = ZIP_ONLY + [
       "test_exchange_familyclass", "test_exchange_finalgrades", "test_exchange_multiclass",
       "test_exchange_sticktransfer", "test_exchange_yeararchive", "test_exchange_zipdialogs"]

A = "src/classes/arithmetic.cpp"
E = "src/grades/examsheet.cpp"
D = "src/classes/dbftable.cpp"
S = "src/classes/studentlist.cpp"
C = "src/grades/cellrules.cpp"
G = "src/grades/classgrid.cpp"
P = "src/print/pagemodel.cpp"
SUBJ = "src/classes/subjects.cpp"
SCHOOL = "src/classes/schoolsettings.cpp"
CERT = "src/print/layouts/certificates.cpp"
EXT = "src/print/layouts/externalcertificates.cpp"
FB9 = "src/print/layouts/feedback9.cpp"
SSHEET = "src/print/layouts/studentsheet.cpp"
EXAMT = "src/print/layouts/examtable.cpp"
CTAB = "src/print/layouts/classtables.cpp"
SLIST = "src/print/layouts/subjectlists.cpp"
PROT = "src/print/layouts/protocols.cpp"
NOTES = "src/print/layouts/notepages.cpp"

# (id, file, text, replacement, test programs)
FAULTS = [
    ("a01-floordiv-sign", A, "((a < 0) != (b < 0))", "((a < 0) == (b < 0))", ARITH),
    ("a02-mean-epsilon", A, "floorDiv(sum + n * 1000, n * kTenth)", "floorDiv(sum + n * 100, n * kTenth)", ARITH),
    ("a03-ties-not-even", A, "(rest == kMicro / 2 && (q % 2 != 0))", "(rest == kMicro / 2)", ARITH),
    ("a04-endnote-offset", A, "roundHalfEven(Wide(schnitt) + 50'000)", "roundHalfEven(Wide(schnitt) + 40'000)", ARITH),
    ("a05-written-weight", A, "    case ColWritten:\n        return 3;", "    case ColWritten:\n        return 2;", ARITH),
    ("a06-pending-P-dropped", A, "if (cell.contains(QLatin1Char('P')) || cell.contains(QLatin1Char('?')))",
     "if (cell.contains(QLatin1Char('?')))", ARITH),
    ("a07-prof-weight-kept", A, "if (code.contains(QStringLiteral(\"Prof\")))", "if (false && code.contains(QStringLiteral(\"Prof\")))", ARITH),
    ("a08-group-best-bound", A, "if (b < 7 * kMicro) {", "if (b <= 7 * kMicro) {", ARITH),
    ("a09-bounds-start", A, "for (int x = 10; x <= 60; ++x) {", "for (int x = 11; x <= 60; ++x) {", ARITH),
    ("a10-column-mean-epsilon", A, "floorDiv(sum + n * 10, n * kTenth)", "floorDiv(sum, n * kTenth)", ARITH),
    ("e01-result-index-range", E, "if (!ok || value < 0 || value >= kExamResultCount)", "if (!ok || value < 0 || value > kExamResultCount)", SHEET),
    ("e02-line-end-kept", E, "    s.replace(QLatin1Char('\\n'), QLatin1Char(' '));\n", "", SHEET),
    ("e03-comm-exam-year", E, "context.classFileName.mid(3, 2)) >= 8;", "context.classFileName.mid(3, 2)) >= 9;", SHEET),
    ("e04-xclass-exam-row", E, "if (i == 3 && xClass)", "if (i == 2 && xClass)", SHEET),
    ("e05-profile-six", E, "return value > 5 ? 5 : value;", "return value;", SHEET),
    ("e06-notes-offset", E, "for (int i = kGradeFileCellLines + 1; i < lines.size()", "for (int i = kGradeFileCellLines + 2; i < lines.size()", SHEET),
    ("e07-empty-cell-kept", E, "sheet.grid.at(c, r) = TrimRight(line).isEmpty() ? QStringLiteral(\"- \") : line;", "sheet.grid.at(c, r) = line;", SHEET),
    ("d01-header-year", D, "today.year() - 1900", "today.year() - 2000", DBF),
    ("d02-trim-first-char", D, "while (end > 0 && (raw[end - 1] == ' '", "while (end > 1 && (raw[end - 1] == ' '", DBF),
    ("d03-number-not-aligned", D, "if (isNumberType(DBFGetNativeFieldType(d_->handle, fieldPos)) && bytes.size() < width)",
     "if (false && bytes.size() < width)", DBF),
    ("d04-field-name-case", D, "field(i).name.compare(name, Qt::CaseInsensitive) == 0", "field(i).name.compare(name, Qt::CaseSensitive) == 0", DBF),
    ("d05-width-overrun", D, "if (bytes.size() > width)", "if (bytes.size() > width + 1)", DBF),
    ("s01-record-number-check", S, "nr > kClassRecordCount || nr != record + 1)", "nr > kClassRecordCount)", LIST),
    ("s02-sort-key-fold", S, "if (c >= 'a' && c <= 'z')", "if (c >= 'a' && c < 'z')", LIST),
    ("s03-delete-shift", S, "for (int k = n; k <= kLastStudentRecord; ++k)", "for (int k = n; k < kLastStudentRecord; ++k)", LIST),
    ("s04-kept-field", S, "(f == kKeptFieldA || f == kKeptFieldB)", "(f == kKeptFieldA)", LIST),
    ("c01-lead-digit-range", C, "if ((lead < 1 || lead > 6) && TrimRight(s)", "if ((lead < 1 || lead > 7) && TrimRight(s)", RULES),
    ("c02-mark-range", C, "if (value < 1.0 || value > 6.0)", "if (value < 1.0 || value > 6.5)", RULES),
    ("c03-weight-cap", C, "return QString::number(value > 9 ? 9 : value);", "return QString::number(value > 8 ? 8 : value);", RULES),
    ("c04-single-digit", C, "if (s.size() == 1 && ParseLeadingInt(s) > 0)", "if (s.size() == 1 && ParseLeadingInt(s) > 1)", RULES),
    ("g01-star-mark", G, "(cell.at(3) == QLatin1Char('-') || cell.at(3) == QLatin1Char('*'))", "(cell.at(3) == QLatin1Char('-'))", GRID),
    ("g02-edit-heading-row", G, "row >= 1 && row <= kGridLastStudentRow", "row >= 0 && row <= kGridLastStudentRow", GRID),
    ("g03-mark-range", G, "if (value < 1.0 || value > 6.0)", "if (value < 1.0 || value > 6.5)", GRID),
    ("p01-font-scale-max", P, "ps.printScaleX < ps.printScaleY ? ps.printScaleX", "ps.printScaleX > ps.printScaleY ? ps.printScaleX", PAGE),
    ("p02-emblem-shift", P, "* 24 / 21 + ps.emblemShiftX", "* 24 / 20 + ps.emblemShiftX", PAGE),
    ("p03-emblem-width", P, "static_cast<long double>(570)", "static_cast<long double>(560)", PAGE),
    ("p04-line-width-zero", P, "if (state().print.printLineWidth <= 0)", "if (state().print.printLineWidth < 0)", PAGE),
    ("z01-zipcrypto-key1", "src/zip/entrycipher.cpp", "key1 = (key1 + (key0 & 0xFF)) * 134775813u + 1u;", "key1 = (key1 + (key0 & 0xFF)) * 134775813u + 2u;", ZIP),
    ("z02-zipcrypto-stream", "src/zip/entrycipher.cpp", "const uint32_t t = (key2 | 2u) & 0xFFFFu;", "const uint32_t t = (key2 | 3u) & 0xFFFFu;", ZIP),
    ("z03-dotdot-allowed", "src/zip/safefs.cpp", "if (cur.empty() || cur == \".\" || cur == \"..\")", "if (cur.empty() || cur == \".\")", ZIP),
    ("z04-absolute-allowed", "src/zip/safefs.cpp", "if (name[0] == '/' || name[0] == '\\\\')", "if (name[0] == '\\\\')", ZIP),
    ("z05-wildcard-case", "src/zip/wildcard.cpp", "(ic ? FoldAscii(mc) == FoldAscii(nc) : mc == nc)", "(ic ? mc == nc : mc == nc)", ZIP),
    ("z06-zip64-size", "src/zip/dirmanager.cpp", "if (item.h.uncompSize == kSat32 && d.size() - i >= 8) {", "if (item.h.uncompSize == kSat32 && d.size() - i > 8) {", ZIP),
    ("z07-utf8-flag", "src/zip/dirmanager.cpp", "if ((flags & 0x0800) && valid)", "if ((flags & 0x0400) && valid)", ZIP),
    ("z08-volume-number", "src/zip/spanning.cpp", "GetVolumeFileName(MakeAbsolute(fileName_), volumeNumber - 1, true)",
     "GetVolumeFileName(MakeAbsolute(fileName_), volumeNumber, true)", ZIP),
    ("z09-cp437-u-umlaut", "src/zip/codepage.cpp", "0x00C7, 0x00FC, 0x00E9", "0x00C7, 0x00FD, 0x00E9", ZIP),
    ("z10-pbkdf2-rounds", "src/zip/crypto/pbkdf2.cpp", "for (std::uint32_t i = 1; i < iterations; ++i) {\n            mac = keyed;",
     "for (std::uint32_t i = 2; i < iterations; ++i) {\n            mac = keyed;", ZIP),
    ("z10b-pbkdf2-lane-rounds", "src/zip/crypto/pbkdf2.cpp",
     "for (std::uint32_t i = 1; i < iterations; ++i) {\n            for (std::size_t l = 0; l < lanes; ++l) {",
     "for (std::uint32_t i = 2; i < iterations; ++i) {\n            for (std::size_t l = 0; l < lanes; ++l) {", ZIP),
    ("z11-hmac-opad", "src/zip/crypto/hmac.cpp", "pad[i] = keyBlock[i] ^ 0x5C;", "pad[i] = keyBlock[i] ^ 0x5D;", ZIP),
    ("z12-aes-auth-short", "src/zip/crypto/aesentrycipher.cpp", "if (!transform_ || n < kAesAuthCodeSize) return false;", "if (!transform_) return false;", ZIP),
    ("z13-deflate-level-header", "src/zip/compression.cpp", "case 3: case 4: return pair(0x78, 0x5E);", "case 3: case 4: return pair(0x78, 0x01);", ZIP),
    # the ZIP engine (more)
    ("z14-native-code-width", "src/zip/zaerrors.cpp", "std::snprintf(code, sizeof code, \"%5d\", nativeError);",
     "std::snprintf(code, sizeof code, \"%4d\", nativeError);", ZIP_ONLY),
    ("z15-wildcard-all-mask", "src/zip/wildcard.cpp", "if (mask == \"*.*\")", "if (mask == \"*.**\")", ZIP_ONLY),
    ("z16-grown-source-kept", "src/zip/compression.cpp", "if (job.source->Read(&probe, 1) != 0) {",
     "if (false && job.source->Read(&probe, 1) != 0) {", ZIP_ONLY),
    ("z17-inflate-overrun", "src/zip/compression.cpp", "if (r.written + n > job.expectedSize) {",
     "if (r.written > job.expectedSize) {", ZIP_ONLY),
    ("z18-overlap-allowed", "src/zip/dirmanager.cpp", "if (spans[i].start < spans[i - 1].end)",
     "if (spans[i].start < spans[i - 1].start)", ZIP_ONLY),
    ("z19-drive-colon-allowed", "src/zip/safefs.cpp", "if (c == ':')", "if (c == ';')", ZIP_ONLY),
    ("z20-volume-room-ignored", "src/zip/spanning.cpp", "free = std::min(free, room);", "free = std::max(free, room);", ZIP_ONLY),
    ("z21-out-of-order-tail", "src/zip/transaction.cpp", "if (saved.Items()[size_t(k)].localOffset >= writePos_) {",
     "if (false && saved.Items()[size_t(k)].localOffset >= writePos_) {", ZIP_ONLY),
    ("z22-pieces-not-flushed", "src/zip/compression.cpp", "finished ? Z_FINISH : Z_SYNC_FLUSH", "finished ? Z_FINISH : Z_NO_FLUSH", ZIP),

    # the grade window
    ("w01-list-key-fixed-rows", "src/grades/gradewindowrules.cpp", "const int first = fixedRows ? 2 : 0;", "const int first = fixedRows ? 1 : 0;", ["test_grades_window"]),
    ("w02-notes-limit-bound", "src/grades/gradewindowrules.cpp", "if (lines.size() <= maxLines) {", "if (lines.size() < maxLines) {", ["test_grades_window"]),
    ("w03-metrics-unset-scale", "src/grades/gradewindowrules.cpp", "if (formScale <= 1)\n        return design;", "if (formScale < 1)\n        return design;", ["test_grades_window"]),
    ("w04-student-number-zero", "src/grades/gradewindowrules.cpp", "c.numberOk = ok && nr >= 1 && nr <= 40;", "c.numberOk = ok && nr >= 0 && nr <= 40;", ["test_grades_window"]),
    ("w05-gap-hint-dash", "src/grades/gradewindowcontroller.cpp", "table_->setValue(record, kFieldHint1, QStringLiteral(\"-\"));",
     "table_->setValue(record, kFieldHint1, QString());", ["test_grades_window"]),
    ("w06-remark-field-width", "src/grades/gradewindowcontroller.cpp", "return width > 0 ? std::min(length, width) : length;",
     "return width > 0 ? std::max(length, width) : length;", ["test_grades_window"]),
    ("w07-nr-column-editable", "src/app/studentlistmodel.cpp", "if (!readOnly_ && index.column() != 0 && fieldOfColumn", "if (!readOnly_ && fieldOfColumn", ["test_app_classgrid"]),
    ("w08-return-moves-right", "src/grades/gridkeys.h", "case Qt::Key_Enter: return Key::Return;", "case Qt::Key_Enter: return Key::Right;",
     ["test_app_classgrid", "test_app_gridinput", "test_grades_window"]),

    # the application windows and menus
    ("m01-after-import-width-cap", "src/app/scaling.cpp",
     "return usableWidth > 0 ? std::min(byHeight, cut(usableWidth / fontFactor)) : byHeight;", "return byHeight;",
     ["test_app_startup", "test_app_windowgeometry", "test_app_mainwindow"]),
    ("m02-activation-notice-again", "src/app/mainlogic.cpp", "        st.firstActivation = false;\n", "", ["test_app_startup", "test_app_mainwindow"]),
    ("m03-list-menu-gate", "src/app/mainlogic.cpp", "if (noClass && state().accessLocked)", "if (state().accessLocked)",
     ["test_app_startup", "test_app_mainwindow"]),
    ("m04-table-lock-kept", "src/app/mainlogic.cpp", "{QStringLiteral(\"0\")}", "{QStringLiteral(\"1\")}", ["test_app_startup", "test_app_mainwindow"]),
    ("m05-version-switch-inverted", "src/app/startup.cpp", "if (!FileExistsCI(dir, QStringLiteral(\"nicht_pruefen.txt\")))",
     "if (FileExistsCI(dir, QStringLiteral(\"nicht_pruefen.txt\")))", ["test_app_startup", "test_app_webentries", "test_app_mainwindow"]),
    ("m06-version-prompt-offset", "src/app/updates.cpp", "caption.mid(21, 3)", "caption.mid(22, 3)",
     ["test_app_startup", "test_app_webentries", "test_app_mainwindow"]),
    ("m07-help-topic", "src/app/webentries.cpp", "{\"Schulfremdenprfung1\", 40},", "{\"Schulfremdenprfung1\", 41},",
     ["test_app_webentries", "test_app_startup", "test_app_mainwindow"]),
    ("m08-zoom-twice", "src/app/zoomdlg.cpp", "if (w && !done.contains(w))", "if (w)", ["test_app_dialogs"]),

    # class files and tables
    ("f01-open-needs-name-fields", "src/classes/classfiles.cpp", "for (const QString& field : {kFieldNr, kFieldLast, kFieldFirst})",
     "for (const QString& field : {kFieldNr})", ["test_classes_classfiles"]),
    ("f02-rename-undo-dropped", "src/classes/classfiles.cpp", "            hooks_.renamePath(newTable, oldTable);\n", "", ["test_classes_classfiles"]),
    ("f03-rename-clears-birthplace", "src/classes/classfiles.cpp", "if (f != ClassField::AG3 && f != ClassField::AG4)",
     "if (f != ClassField::AG3)", ["test_classes_classfiles"]),
    ("f04-delete-table-in-use", "src/classes/classfiles.cpp", "const bool deleted = unreadable.isEmpty() && !TableInUse(path) && QFile::remove(path);",
     "const bool deleted = unreadable.isEmpty() && QFile::remove(path);", ["test_classes_classfiles"]),
    ("f05-list-undo-renames-forward", S, "RenamePath(it->second, it->first) && undone;", "RenamePath(it->first, it->second) && undone;", LIST),
    ("f06-exact-name-not-first", "src/classes/textfile.cpp", "    if (d.exists(name)) {", "    if (false && d.exists(name)) {",
     ["test_classes", "test_classes_classfiles", "test_classes_studentlist"]),
    ("f07-copy-onto-itself", "src/classes/kopier.cpp", "if (sameFile(source, dest))", "if (false && sameFile(source, dest))",
     ["test_classes", "test_classes_dbf"]),
    ("f08-real-padding-kept-front", "src/classes/helpers.cpp", "return s.mid(lead) + QString(lead, QLatin1Char(' '));", "return s;",
     ["test_classes"]),

    # subjects and the class grid
    ("u01-exam-row-star", SUBJ, "if (f > 0 && n == f + 1)", "if (f > 0 && n == f)", SUBJECTS),
    ("u02-footer-limit", SUBJ, "if (marker > 5)", "if (marker > 6)", SUBJECTS),
    ("u03-shortcode-final", SUBJ, "if (r.final)\n                return QString::fromUtf8(r.code);",
     "if (false)\n                return QString::fromUtf8(r.code);", SUBJECTS),
    ("u04-replace-no-rescan", SUBJ, "if (replacement.contains(search)) {", "if (true) {", SUBJECTS),
    ("u05-certificate-last-line", SUBJ, "bool ok = at >= 0 && at + 1 < lines.size();", "bool ok = at >= 0 && at < lines.size();", SUBJECTS),
    ("u06-epw5-line-five", SCHOOL, "if (lines.size() >= 5)", "if (lines.size() > 5)", SUBJECTS),
    ("u07-password-shift", SCHOOL, "static_cast<unsigned char>(c) - 7)", "static_cast<unsigned char>(c) - 6)", SUBJECTS),
    ("u08-damaged-row-unlocked", G, "            rowLocked_[n] = true;\n            if (!TrimRight(last)",
     "            if (!TrimRight(last)", GRID),

    # print layouts and drivers
    ("r01-range-after-abort", "src/print/drivers.cpp", "s.printToNr = stopped ? 39 : 40;", "s.printToNr = stopped ? 40 : 40;", DRIVERS),
    ("r02-range-first-bound", "src/print/drivers.cpp", "if (s.printFromNr >= 1 && s.printFromNr < 41)",
     "if (s.printFromNr >= 0 && s.printFromNr < 41)", DRIVERS),
    ("r03-dispatch-boundary-sheet", "src/print/studentlayouts.cpp", "{StudentLayout::BoundaryGradeSheet, &PrintBoundaryGradeSheet},",
     "{StudentLayout::BoundaryGradeSheet, &PrintMarkSheet},", DRIVERS),
    ("r04-copy-of-hsa-refused", "src/print/layouts/certificateparts.cpp", "resultIndex == 0 || resultIndex == 7 || resultIndex == 8;",
     "resultIndex == 0 || resultIndex == 7;", CERTS),
    ("r05-second-page-first-row", "src/print/layouts/classtables.cpp", "const int first = page == 0 ? 1 : 35;",
     "const int first = page == 0 ? 1 : 36;", TABLES),
    ("r06-failed-average-bare", "src/print/layouts/classtables.cpp", "            if (result < 3)\n", "            if (result <= 3)\n", TABLES),
    ("r07-grade-word-six", "src/print/gradewords.cpp", "if (digit >= 0 && digit <= 5)", "if (digit >= 0 && digit <= 4)", LAYOUTS),
    ("r08-list-heading-not-repeated", "src/print/layouts/subjectlists.cpp", "            head_();\n            y_ = kListFirstRowY;",
     "            y_ = kListFirstRowY;", LAYOUTS),

    # grade sheets, exchange, Word documents
    ("x01-export-passed-bound", "src/exchange/finalgradeexport.cpp", "r.resultIndex >= 0 && r.resultIndex < 3;",
     "r.resultIndex >= 0 && r.resultIndex < 4;", ["test_exchange_finalgrades"]),
    ("x02-export-star-kept", "src/exchange/finalgradeexport.cpp", "grade.contains(QLatin1Char('*')) ? grade.left(1) : grade",
     "grade.contains(QLatin1Char('*')) ? grade.left(2) : grade", ["test_exchange_finalgrades"]),
    ("x03-stick-empty-attachment", "src/exchange/sticktransfer.cpp", "filePath(name)).size() <= 0)", "filePath(name)).size() < 0)",
     ["test_exchange_sticktransfer"]),
    ("x04-stick-stale-grades", "src/exchange/sticktransfer.cpp", "return IsGradeFileName(name) || attachments.contains(",
     "return attachments.contains(", ["test_exchange_sticktransfer"]),
    ("x05-archive-letter-files", "src/exchange/yeararchive.cpp", '"^[vml]\\\\.', '"^[vm]\\\\.',
     ["test_exchange_yeararchive"]),
    ("x06-restore-foreign-class", "src/exchange/yeararchive.cpp", " || name.startsWith(QLatin1Char('3'))", "",
     ["test_exchange_yeararchive"]),
    ("x07-word-lock-name-cut", "src/word/attachments.cpp", "d.size() - rest.size() <= 2", "d.size() - rest.size() <= 1",
     ["test_word"]),
    ("x08-slots-class-letters", "src/grades/gradeslots.cpp", '"3456789xyXYfFgG"', '"3456789xyXYfF"',
     ["test_grades_sheet", "test_exchange_finalgrades"]),

    # printed layouts at their boundaries: counts, subject texts, punctuation, fonts, empty values
    ("b01-a-split-k17", CERT, "if (k <= 17)\n        --s;", "if (k < 17)\n        --s;", CERTS),
    ("b02-b-split-19", CERT, "n == 16 ? 8 : n <= 19 ? 9 : 10", "n == 16 ? 8 : n < 19 ? 9 : 10", CERTS),
    ("b03-own-split-20", CERT, "const int c = n >= 20 ? 10 : n < 17 ? 8 : 9;", "const int c = n > 20 ? 10 : n < 17 ? 8 : 9;", CERTS),
    ("b04-hsa-split-16", EXT, "n >= 16 ? 8 : n >= 14 ? 7", "n > 16 ? 8 : n >= 14 ? 7", CERTS),
    ("b05-wrs-split-13", EXT, "n >= 13 ? 7 : n >= 11 ? 6 : 5", "n > 13 ? 7 : n >= 11 ? 6 : 5", CERTS),
    ("b06-hsa-footer-lift-16", EXT, "- (n >= 16 ? 35 : 0)", "- (n > 16 ? 35 : 0)", CERTS),
    ("b07-hsa-gap-from-8", EXT, "const int g = n >= 8 ? 80 : 0;", "const int g = n > 8 ? 80 : 0;", CERTS),
    ("b08-feedback-split-17", FB9, "n <= 17 ? 8 : n <= 19 ? 9 : 10", "n < 17 ? 8 : n <= 19 ? 9 : 10", CERTS),
    ("b09-student-sheet-split-20", SSHEET, "if (n >= 21)\n        return 10;", "if (n >= 20)\n        return 10;", DRIVERS + ["test_print_layouts"]),
    ("b10-choice-sheet-split-17", EXAMT, "n / 2 + 1 - (n < 17 ? 1 : 0)", "n / 2 + 1 - (n <= 17 ? 1 : 0)", DRIVERS + ["test_print_layouts"]),
    ("b11-second-page-row-38", CTAB, "for (int r = 35; r <= kGridLastStudentRow; ++r)\n        secondPage",
     "for (int r = 35; r < kGridLastStudentRow; ++r)\n        secondPage", TABLES + ["test_print_layouts"]),
    ("b12-range-of-one-student", "src/print/drivers.cpp", "if (s.printToNr >= s.printFromNr && s.printToNr < 41)",
     "if (s.printToNr > s.printFromNr && s.printToNr < 41)", DRIVERS),
    ("b13-own-heading-by-class", CERT, "cls.classCode() == QLatin1Char('9') ? QStringLiteral(\"Leistungen in der themenorientierten",
     "cls.classCode() != QLatin1Char('9') ? QStringLiteral(\"Leistungen in der themenorientierten", CERTS),
    ("b14-hauptschule-sentence-stop", CERT, "\"hat die Hauptschule nach Klasse 9 erfolgreich abgeschlossen.\"",
     "\"hat die Hauptschule nach Klasse 9 erfolgreich abgeschlossen\"", CERTS),
    ("b15-english-oral-heading-stop", SLIST, "english ? QStringLiteral(\"Schr./KP.\")", "english ? QStringLiteral(\"Schr./KP\")", LAYOUTS),
    ("b16-practical-english-heading", SLIST, "english ? QStringLiteral(\"Schr./KP\")", "!english ? QStringLiteral(\"Schr./KP\")", LAYOUTS),
    ("b17-english-correction-columns", SLIST, " || subject == QStringLiteral(\"Englisch\")\n", "\n", LAYOUTS),
    ("b18-protocol-communication-title", PROT, "QStringLiteral(\"Niederschrift über die Kommunikationsprüfung\")",
     "QStringLiteral(\"Niederschrift über die Kommunikationsprüfung \")", LAYOUTS),
    ("b19-a-grade-key-stop", CERT, "PrintTextOut(250, foot.y[0], kGradeKey + QLatin1Char('.'));\n    PrintTextOut(250, foot.y[1], kExamKey);",
     "PrintTextOut(250, foot.y[0], kGradeKey);\n    PrintTextOut(250, foot.y[1], kExamKey);", CERTS),
    # The key of the exam subjects goes with the other class: the foot's places follow the same test.
    ("b20-own-exam-key", CERT,
     "const FootLines foot = class9 ? fitFoot(cls, {2645}, {kGradeKey + QLatin1Char('.')}, 2560)\n"
     "                                  : fitFoot(cls, {2645, 2685}, {kGradeKey + QLatin1Char('.'), kExamKey}, 2560);\n"
     "    PrintTextOut(250, foot.y[0], kGradeKey + QLatin1Char('.'));\n    if (!class9)",
     "const FootLines foot = !class9 ? fitFoot(cls, {2645}, {kGradeKey + QLatin1Char('.')}, 2560)\n"
     "                                  : fitFoot(cls, {2645, 2685}, {kGradeKey + QLatin1Char('.'), kExamKey}, 2560);\n"
     "    PrintTextOut(250, foot.y[0], kGradeKey + QLatin1Char('.'));\n    if (class9)", CERTS),
    ("b21-feedback-key-stop", FB9, "mangelhaft (5), ungenügend (6).\"", "mangelhaft (5), ungenügend (6)\"", CERTS),
    ("b22-abbreviations-colon", CTAB, "QStringLiteral(\"Abkürzungen:\")", "QStringLiteral(\"Abkürzungen\")", TABLES),
    ("b23-protocol-name-comma", PROT, "student.surname + QStringLiteral(\", \") + student.firstName",
     "student.surname + QStringLiteral(\" \") + student.firstName", LAYOUTS),
    ("b24-nut-option-bracket", SSHEET, "\"(   ) NuT (Natur und Technik)\"", "\"(   ) NuT (Natur und Technik\"", DRIVERS),
    ("b25-a-project-heading-bold", CERT, "SetFont(cls, 48, true);\n    PrintTextOut(250, 1625, kProjectHeadingClass9);",
     "SetFont(cls, 48);\n    PrintTextOut(250, 1625, kProjectHeadingClass9);", CERTS),
    ("b26-closing-sentence-bold", CERT, "SetFont(cls, small ? 36 : 44, small);", "SetFont(cls, small ? 36 : 44);", CERTS),
    ("b27-wrs-title-size", EXT, "SetFont(cls, 58, true);", "SetFont(cls, 55, true);", CERTS),
    ("b28-feedback-elective-bold", FB9, "SetFont(cls, elective ? 44 : 40, elective);", "SetFont(cls, elective ? 44 : 40);", CERTS),
    ("b29-registration-underline", SSHEET, "    SetPrintFontUnderline(true);\n", "", DRIVERS),
    ("b30-exam-result-size", EXAMT, "SetNominalFont(cls, 41, true);", "SetNominalFont(cls, 40, true);", DRIVERS),
    ("b31-language-option-bold", EXAMT, "        SetPrintFontBold(false);\n        PrintTextOut(250, t + 29 * h,",
     "        PrintTextOut(250, t + 29 * h,", DRIVERS),
    ("b32-grid-title-bold", CTAB, "SetNominalFont(cls, 40);\n        SetPrintFontBold(true);\n        // A long title",
     "SetNominalFont(cls, 40);\n        // A long title", TABLES),
    ("b33-protocol-title-size", PROT, "SetNominalFont(cls, 60);", "SetNominalFont(cls, 55);", LAYOUTS),
    ("b34-whole-grade-of-nothing", EXAMT, "if (ReadGradeCell(average) > 0)", "if (ReadGradeCell(average) >= 0)", DRIVERS),
    ("b35-feedback-without-hints", FB9, "    } else {\n        PrintTextOut(250, 1890 + down, kMissingGradeWord);\n    }", "    }", CERTS),
    ("b36-driver-first-name-empty", "src/print/drivers.cpp", "\n        || TrimRight(field(table, record, kFieldFirst)).isEmpty())",
     ")", DRIVERS),
    ("b37-driver-last-name-empty", "src/print/drivers.cpp", "if (TrimRight(field(table, record, kFieldLast)).isEmpty()\n        || ",
     "if (", DRIVERS),
    ("b38-driver-nr-above-40", "src/print/drivers.cpp", "if (nr <= 0 || nr > 40) {", "if (nr <= 0 || nr > 41) {", DRIVERS),
    ("b39-note-page-first-name", NOTES, "if (TrimRight(st.surname).isEmpty() || IsWeightRecord(st))",
     "if (TrimRight(st.surname).isEmpty() || TrimRight(st.firstName).isEmpty() || IsWeightRecord(st))", LAYOUTS),
    ("b40-forms-first-name-empty", "src/word/wordforms.cpp", "if (lastName.isEmpty() || firstName.isEmpty() || IsWeightRecordName",
     "if (lastName.isEmpty() || IsWeightRecordName", ["test_word"]),
    ("b41-forms-last-name-empty", "src/word/wordforms.cpp", "if (lastName.isEmpty() || firstName.isEmpty() || IsWeightRecordName",
     "if (firstName.isEmpty() || IsWeightRecordName", ["test_word"]),
    ("b42-forms-thirty-copies", "src/word/wordforms.cpp", "while (scope.copies < 1 || scope.copies > 30)", "while (scope.copies < 1 || scope.copies >= 30)", ["test_word"]),
    ("b43-recreate-default-yes", "src/word/attachments.cpp", "&& !askYesNoDefaultNo(QStringLiteral(\"Zeugnisanlage", "&& !askYesNo(QStringLiteral(\"Zeugnisanlage", ["test_word"]),
    ("b44-recreate-question-stop", "src/word/attachments.cpp", "\"Zeugnisanlage existiert schon.\"", "\"Zeugnisanlage existiert schon\"", ["test_word"]),
    ("b45-birth-date-message-mark", "src/word/attachments.cpp", "(Bei Einzelzeugnis/Zeugnis)!\"", "(Bei Einzelzeugnis/Zeugnis)\"", ["test_word"]),
    ("b46-attachment-surname-only", "src/word/attachments.cpp", "    if (last.isEmpty() || IsWeightRecordName(last))\n        return false;",
     "    if (last.isEmpty() || first.isEmpty() || IsWeightRecordName(last))\n        return false;", ["test_word"]),

    # the exchange at its boundaries: questions before a class is replaced, the export's year, empty names, counts
    ("y01-export-average-from-2021", "src/exchange/finalgradeexport.cpp", "ParseLeadingInt(in.classFileName.mid(3, 4)) >= 2021;",
     "ParseLeadingInt(in.classFileName.mid(3, 4)) > 2021;", ["test_exchange_finalgrades"]),
    ("y02-export-needs-first-name", "src/exchange/finalgradeexport.cpp", "if (!passed || TrimRight(r.last).isEmpty() || isWeightRecord(r))",
     "if (!passed || TrimRight(r.first).isEmpty() || isWeightRecord(r))", ["test_exchange_finalgrades"]),
    ("y03-export-record-39", "src/exchange/finalgradeexport.cpp", "for (int r = 1; r <= count; ++r) {", "for (int r = 1; r < count; ++r) {", ["test_exchange_finalgrades"]),
    ("y04-export-question-mark", "src/exchange/finalgradeexport.cpp", "\"Fortfahren mit dem Ausspielen?\"", "\"Fortfahren mit dem Ausspielen\"", ["test_exchange_finalgrades"]),
    ("y05-stick-replace-default-yes", "src/exchange/sticktransfer.cpp", "!askYesNoDefaultNo(QStringLiteral(\"Klasse \") + name + QStringLiteral(\" existiert auf den Stick.",
     "!askYesNo(QStringLiteral(\"Klasse \") + name + QStringLiteral(\" existiert auf den Stick.", ["test_exchange_sticktransfer", "test_exchange_classtransfer"]),
    ("y06-stick-replace-text", "src/exchange/sticktransfer.cpp", "\" existiert auf den Stick. Kopiervorgang fortsetzen? \"",
     "\" existiert auf dem Stick. Kopiervorgang fortsetzen? \"", ["test_exchange_sticktransfer", "test_exchange_classtransfer"]),
    ("y07-stick-import-default-yes", "src/exchange/sticktransfer.cpp", "!askYesNoDefaultNo(QStringLiteral(\"Klasse \") + name +\n",
     "!askYesNo(QStringLiteral(\"Klasse \") + name +\n", ["test_exchange_sticktransfer", "test_exchange_classtransfer"]),
    ("y08-stick-import-text", "src/exchange/sticktransfer.cpp", "\" existiert auf der Festplatte. Kopiervorgang fortsetzen? \"",
     "\" existiert auf der Festplatte. Kopiervorgang fortsetzen?\"", ["test_exchange_sticktransfer", "test_exchange_classtransfer"]),
    ("y09-stick-grade-file-40", "src/exchange/sticktransfer.cpp", "for (int n = 1; n <= kMaxStudents; ++n) {\n        showProgress",
     "for (int n = 1; n < kMaxStudents; ++n) {\n        showProgress", ["test_exchange_sticktransfer", "test_exchange_classtransfer"]),
    ("y10-stick-stale-grade-40", "src/exchange/transfercopy.cpp", "return ok && n >= 1 && n <= kClassTableRecords",
     "return ok && n >= 1 && n < kClassTableRecords", ["test_exchange_sticktransfer", "test_exchange_multiclass", "test_exchange_classtransfer"]),
    ("y11-archive-replace-default-yes", "src/exchange/yeararchive.cpp", "if (QFileInfo::exists(targetTable) && !askYesNoDefaultNo(overwriteQuestion))",
     "if (QFileInfo::exists(targetTable) && !askYesNo(overwriteQuestion))", ["test_exchange_yeararchive", "test_exchange_classtransfer"]),
    ("y12-restore-replace-text", "src/exchange/yeararchive.cpp", "\" existiert im Arbeitsverzeichnis. Überschreiben? \"",
     "\" existiert im Arbeitsverzeichnis. Überschreiben ? \"", ["test_exchange_yeararchive", "test_exchange_classtransfer"]),
    ("y13-restore-confirm-text", "src/exchange/yeararchive.cpp", "\"Einverstanden mit Rückholung von \"", "\"Einverstanden mit der Rückholung von \"", ["test_exchange_yeararchive", "test_exchange_classtransfer"]),
    ("y14-archive-drive-a-caption", "src/exchange/yeararchive.cpp", "QStringLiteral(\"Laufwerk A\") : QStringLiteral(\"Festplatte\")",
     "QStringLiteral(\"Laufwerk A:\") : QStringLiteral(\"Festplatte\")", ["test_exchange_yeararchive", "test_exchange_classtransfer"]),
    ("y15-archive-stale-file-40", "src/exchange/yeararchive.cpp", "|[1-3][0-9]|40)$", "|[1-3][0-9])$", ["test_exchange_yeararchive", "test_exchange_classtransfer"]),
    ("y16-import-replace-default-yes", "src/exchange/multiclassimport.cpp", "if (existed && !askYesNoDefaultNo(", "if (existed && !askYesNo(", ["test_exchange_multiclass", "test_exchange_classtransfer"]),
    ("y17-import-replace-text", "src/exchange/multiclassimport.cpp", "\" existiert bereits. Überschreiben? \"", "\" existiert bereits. Überschreiben?\"", ["test_exchange_multiclass", "test_exchange_classtransfer"]),
    ("y18-import-38-not-surplus", "src/exchange/multiclassimport.cpp", "if (students.size() > kImportMaxStudents) {", "if (students.size() >= kImportMaxStudents) {", ["test_exchange_multiclass", "test_exchange_classtransfer"]),
    ("y19-import-surplus-no-first-name", "src/exchange/multiclassimport.cpp", "+ students.at(i).first.trimmed()).trimmed();",
     "+ students.at(i).first.trimmed());", ["test_exchange_multiclass", "test_exchange_classtransfer"]),
    ("y20-import-stale-grades", "src/exchange/multiclassimport.cpp", "cls8, IsGradeFileName);", "cls8, [](const QString&) { return false; });", ["test_exchange_multiclass", "test_exchange_classtransfer"]),
    ("y21-import-four-lines", "src/exchange/multiclassimport.cpp", "if (lines.size() < 5)", "if (lines.size() < 4)", ["test_exchange_multiclass", "test_exchange_classtransfer"]),
    ("y22-family-replace-default-yes", "src/exchange/familyclassimport.cpp", "&& !askYesNoDefaultNo(QStringLiteral(\"Klasse \") + entry",
     "&& !askYesNo(QStringLiteral(\"Klasse \") + entry", ["test_exchange_familyclass"]),
    ("y23-family-replace-text", "src/exchange/familyclassimport.cpp", "\" existiert bereits. Überschreiben? \"", "\" existiert bereits, Überschreiben? \"", ["test_exchange_familyclass"]),
    ("y24-import-line-cut-student", "src/exchange/multiclassimport.cpp",
     "            if (!lines.at(i).trimmed().isEmpty())\n                return refuse(restStart",
     "            if (false)\n                return refuse(restStart", ["test_exchange_multiclass", "test_exchange_classtransfer"]),
    ("y25-stick-lost-name-comma", "src/exchange/sticktransfer.cpp", "if (const QString part = t.value(r, field).trimmed(); !part.isEmpty())",
     "if (const QString part = t.value(r, field).trimmed(); true)", ["test_exchange_sticktransfer"]),
]

# Faults whose planted code behaves exactly like the sound code, with the reason.
EQUIVALENT = {
    "b38-driver-nr-above-40": "the range check before it already skips every NR above PrintToNr, "
                              "which is never above 40, so an NR of 41 never reaches this check",
    "y18-import-38-not-surplus": "with exactly 38 students the surplus list is empty, and an empty list "
                                 "is not shown, so the warning stays away either way",
}


def sync_tree(src, dst):
    """Makes dst a copy of src without its build folders and .git.  A file that
    is new or changed gets a fresh time stamp: a copy keeps the older stamp of
    its source, which an object built in an earlier run could be newer than,
    and ninja would then keep that object from the old text (a test edited
    since the last run would run in its old form).  Unchanged files keep their
    stamps, so only what changed is rebuilt."""
    src, dst = pathlib.Path(src), pathlib.Path(dst)
    seen = set()
    for dirpath, dirnames, filenames in os.walk(src):
        here = pathlib.Path(dirpath)
        if here == src:
            dirnames[:] = [d for d in dirnames if d != ".git" and not d.startswith("build")]
        rel = here.relative_to(src)
        for name in filenames + [d for d in dirnames if (here / d).is_symlink()]:
            s, d = here / name, dst / rel / name
            seen.add(d)
            if s.is_symlink():
                if not d.is_symlink() or os.readlink(d) != os.readlink(s):
                    if d.is_symlink() or d.exists():
                        d.unlink()
                    d.parent.mkdir(parents=True, exist_ok=True)
                    d.symlink_to(os.readlink(s))
            elif d.is_symlink() or not d.is_file() or not filecmp.cmp(s, d, shallow=False):
                if d.is_symlink():
                    d.unlink()
                d.parent.mkdir(parents=True, exist_ok=True)
                shutil.copy2(s, d)
                os.utime(d)
        dirnames[:] = [d for d in dirnames if not (here / d).is_symlink()]
    for dirpath, _, filenames in os.walk(dst):
        for name in filenames:
            if pathlib.Path(dirpath) / name not in seen:
                (pathlib.Path(dirpath) / name).unlink()


def run(cmd, cwd, env, timeout=None, quiet=True):
    out = subprocess.DEVNULL if quiet else None
    return subprocess.run(cmd, cwd=cwd, env=env, stdout=out, stderr=out, timeout=timeout).returncode


def run_shared(faults, args):
    """Runs every share in its own copy and prints the verdicts in table order."""
    shares = [faults[k::args.jobs] for k in range(args.jobs)]
    procs = [subprocess.Popen([sys.executable, __file__, "--copy", f"{args.copy}-{k + 1}",
                               "--only", ",".join(f[0] for f in share)],
                              stdout=subprocess.PIPE, text=True)
             for k, share in enumerate(shares) if share]
    lines = {}
    failed = False
    for proc in procs:
        out, _ = proc.communicate()
        failed |= proc.returncode != 0
        for line in out.splitlines():
            if line.split(" ", 1)[0] in {f[0] for f in faults}:
                lines[line.split(" ", 1)[0]] = line
    for fid, *_ in faults:
        print(lines.get(fid, f"{fid:28} not run"))
    caught = sum(" caught " in line for line in lines.values())
    same = sum(" same " in line for line in lines.values())
    print(f"{caught} of {len(faults)} caught, {same} the same as the sound code")
    if failed:
        sys.exit("a share failed to run")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--copy", default="/tmp/hsa-faults")
    ap.add_argument("--only", default="")
    ap.add_argument("--check", action="store_true")
    ap.add_argument("--jobs", type=int, default=1)
    args = ap.parse_args()
    only = set(filter(None, args.only.split(",")))
    faults = [f for f in FAULTS if not only or f[0] in only]
    if args.jobs > 1 and not args.check:
        run_shared(faults, args)
        return

    bad = False
    for fid in EQUIVALENT:
        if fid not in {f[0] for f in FAULTS}:
            print(f"{fid}: listed as equivalent but not a fault", file=sys.stderr)
            bad = True
    for fid, path, old, new, _ in faults:
        n = (ROOT / path).read_text(encoding="utf-8").count(old)
        if n != 1:
            print(f"{fid}: text found {n} times in {path}", file=sys.stderr)
            bad = True
    if bad:
        sys.exit(2)
    if args.check:
        print(f"{len(faults)} faults, every text found once")
        return

    copy = pathlib.Path(args.copy)
    copy.mkdir(parents=True, exist_ok=True)
    tree = copy / "src-tree"
    sync_tree(ROOT, tree)
    # The copy keeps the tree's older time stamps, so an object built from a
    # faulted file in an earlier run would look newer than the sound file and
    # survive into this run: every file a fault may change is compiled afresh.
    for path in {f[1] for f in FAULTS}:
        if (tree / path).exists():
            os.utime(tree / path)
    build = copy / "build"
    env = dict(os.environ, CCACHE_BASEDIR=str(tree), CCACHE_NOHASHDIR="1", QT_QPA_PLATFORM="offscreen", LC_ALL="C.UTF-8")
    if run(["cmake", "-S", str(tree), "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
            "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DCMAKE_C_COMPILER_LAUNCHER=ccache"], tree, env) != 0:
        sys.exit("cmake failed")
    targets = subprocess.run(["ninja", "-C", str(build), "-t", "targets", "all"], env=env, capture_output=True, text=True).stdout
    known = {line.split(":")[0].rsplit("/", 1)[-1] for line in targets.splitlines()}
    programs = {}
    for line in targets.splitlines():
        name = line.split(":")[0]
        if name.startswith("tests/") and "/" in name and name.rsplit("/", 1)[-1].startswith("test_") and "." not in name.rsplit("/", 1)[-1]:
            programs[name.rsplit("/", 1)[-1]] = name

    def tests_for(names):
        return [n for n in names if n in programs]

    # Build every program once with the sound code, so each fault rebuilds little.
    wanted = sorted({p for f in faults for p in tests_for(f[4])})
    if run(["cmake", "--build", str(build), "-j4", "--target", *wanted], tree, env) != 0:
        sys.exit("the sound tree does not build")

    caught = same = 0
    for fid, path, old, new, names in faults:
        file = tree / path
        sound = file.read_text(encoding="utf-8")
        file.write_text(sound.replace(old, new, 1), encoding="utf-8")
        try:
            progs = tests_for(names)
            verdict = "missed"
            why = ""
            if run(["cmake", "--build", str(build), "-j4", "--target", *progs], tree, env) != 0:
                verdict, why = "caught", "(does not build)"
            else:
                failing = []
                for p in progs:
                    exe = build / programs[p]
                    try:
                        rc = run([str(exe), "--gtest_brief=1"], exe.parent, env, timeout=600)
                    except subprocess.TimeoutExpired:
                        rc = -1
                    if rc != 0:
                        failing.append(p)
                if failing:
                    verdict, why = "caught", "by " + " ".join(failing)
        finally:
            file.write_text(sound, encoding="utf-8")
            # A fresh time stamp makes ninja rebuild the restored file.
            os.utime(file)
        if verdict == "missed" and fid in EQUIVALENT:
            verdict, why = "same", EQUIVALENT[fid]
        caught += verdict == "caught"
        same += verdict == "same"
        print(f"{fid:28} {verdict:7} {why}", flush=True)
    print(f"{caught} of {len(faults)} caught, {same} the same as the sound code")


if __name__ == "__main__":
    main()
