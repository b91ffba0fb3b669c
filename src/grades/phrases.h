#pragma once
#include <QString>
#include <array>
#include <optional>

// Stock phrases of the grade window: a store of 100 numbered phrases kept in
// "floskel3.dat" in the program folder, one phrase a line in row order.  A
// remark edit that holds just a phrase number is replaced by that phrase, with
// the student's first name put in for its first "*".
namespace hsa {

inline const QString kPhraseStoreFile = QStringLiteral("floskel3.dat");
inline constexpr int kPhraseCount = 100;

class PhraseStore {
public:
    // Phrase n (1 to 100); empty outside.
    QString phrase(int n) const;
    void setPhrase(int n, const QString& text);
    const std::array<QString, kPhraseCount>& phrases() const { return phrases_; }

    // Reads the file at path: at most 100 lines, the rest of the rows empty.
    // A missing file leaves every phrase empty.  A file that exists but cannot
    // be read raises FileError; the store then refuses to save (see save), so
    // the phrases in that file are never replaced by an empty store.
    void load(const QString& path);
    // Writes all 100 rows, empty ones included, atomically.  Does nothing and
    // returns false when the last load failed.  Raises FileError.
    bool save(const QString& path) const;
    bool loadFailed() const { return loadFailed_; }

    // "floskel3.dat" of the program folder (found ignoring case).
    static QString defaultPath();

private:
    std::array<QString, kPhraseCount> phrases_{};
    bool loadFailed_ = false;
};

// The first "*" of phrase that is not followed by ")" becomes firstName;
// the result is the part from character start (counting from 1) with at most
// count characters.  "*)" stays as it is.
QString InsertFirstName(const QString& phrase, int start, int count, const QString& firstName);

// The phrase number a remark edit holds: its text, blanks around it ignored,
// reads a whole number from 1 to 100.
std::optional<int> PhraseNumber(const QString& text);

// What Return or leaving an edit makes of its text: the expanded phrase when
// the text is a phrase number, cut to maxLength (no cut for maxLength <= 0);
// nullopt when the text stays (no phrase number, or an empty row).
std::optional<QString> ExpandPhraseNumber(const QString& text, const PhraseStore& store,
                                          int maxLength, const QString& firstName);

} // namespace hsa
