#pragma once
#include <QString>
#include <QStringList>
#include <optional>

namespace hsa {

// Every message box, question and input prompt of the program goes through
// one Prompt, so that all logic runs headless in tests with scripted answers.
// Texts keep their own line breaks (line feed followed by carriage return);
// the window implementation shows each such pair as one line break.

enum class MsgKind { Plain, Information, Warning, Error, Confirmation };
// Cancel: a box whose only button is "Abbrechen"; it asks nothing.
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, Cancel };
enum class Answer { Ok, Cancel, Yes, No };

class Prompt {
public:
    virtual ~Prompt() = default;

    // A message box with an OK button.  An empty caption means the
    // application title.
    virtual void message(MsgKind kind, const QString& text, const QString& caption = {}) = 0;

    // A question; returns the button pressed (Cancel also for closing the box).
    // defaultButton is the button Return presses; none: the first one.
    virtual Answer ask(MsgKind kind, const QString& text, Buttons buttons, const QString& caption = {},
                       std::optional<Answer> defaultButton = std::nullopt) = 0;

    // Text input with a preset; nullopt when cancelled (InputQuery semantics:
    // the text is only taken over on OK).  maxLength > 0 stops typing at that
    // many characters, so that a text bound for a table field of that width
    // is never cut unseen.
    virtual std::optional<QString> input(const QString& caption, const QString& label,
                                         const QString& preset = {}, int maxLength = 0) = 0;

    // Masked password input; nullopt when cancelled.
    virtual std::optional<QString> password(const QString& caption, const QString& label) = 0;

    // Choice from a list; the index chosen, nullopt when cancelled.
    virtual std::optional<int> choose(const QString& caption, const QString& label,
                                      const QStringList& items, int current = 0) = 0;

    // File and folder dialogs; nullopt when cancelled.  filter uses the Qt form
    // "Klassendateien (*.dbf)".
    virtual std::optional<QString> openFileName(const QString& caption, const QString& dir,
                                                const QString& filter) = 0;
    virtual std::optional<QString> saveFileName(const QString& caption, const QString& dir,
                                                const QString& filter) = 0;
    virtual std::optional<QString> folderName(const QString& caption, const QString& dir) = 0;
};

// The prompt in use: the window implementation unless a test installed another.
Prompt& prompts();
// Installs p (not owned) as the prompt in use; nullptr restores the window one.
void setPrompts(Prompt* p);

// Shorthands for the common boxes.
void showMessage(const QString& text);                       // plain, OK
void showInformation(const QString& text, const QString& caption = {});
void showWarning(const QString& text, const QString& caption = {});
void showError(const QString& text, const QString& caption = {});
// A message whose box offers only "Abbrechen".
void showWithCancel(MsgKind kind, const QString& text, const QString& caption = {});
// Yes/No question; true for Yes.
bool askYesNo(const QString& text, MsgKind kind = MsgKind::Confirmation,
              const QString& caption = {});

// Yes/No question before something is deleted or overwritten: "Nein" is the
// default button, so that Return never destroys anything.  True for Yes.
bool askYesNoDefaultNo(const QString& text, MsgKind kind = MsgKind::Confirmation,
                       const QString& caption = {});

// Turns the program's line-feed/carriage-return pairs into plain line breaks
// for display.
QString displayText(const QString& text);

// RAII helper for tests: installs a prompt for the lifetime of the object.
class ScopedPrompt {
public:
    explicit ScopedPrompt(Prompt& p) { setPrompts(&p); }
    ~ScopedPrompt() { setPrompts(nullptr); }
    ScopedPrompt(const ScopedPrompt&) = delete;
    ScopedPrompt& operator=(const ScopedPrompt&) = delete;
};

} // namespace hsa
