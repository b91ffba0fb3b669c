#pragma once
#include "platform/prompt.h"

#include <QList>
#include <deque>
#include <functional>
#include <stdexcept>
#include <variant>

namespace hsa {

// Test double of Prompt: records every box shown and answers from a script.
// A question or input that finds no scripted answer raises UnscriptedPrompt, so
// a test never passes by an answer it did not mean to give.
class ScriptedPrompt : public Prompt {
public:
    enum class Call { Message, Ask, Input, Password, Choose, OpenFile, SaveFile, Folder };

    struct Shown {
        Call call;
        MsgKind kind = MsgKind::Plain;
        QString text;     // message text, or the input's label
        QString caption;
        Buttons buttons = Buttons::Ok;
        QString preset;   // preset of an input
        QStringList items; // choices
        std::optional<Answer> defaultButton; // of a question; none: the first button
        int maxLength = 0;                   // of an input; 0: no limit
    };

    class UnscriptedPrompt : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    // Script the next answers, in order.
    ScriptedPrompt& answer(Answer a);
    ScriptedPrompt& yes() { return answer(Answer::Yes); }
    ScriptedPrompt& no() { return answer(Answer::No); }
    ScriptedPrompt& cancel() { return answer(Answer::Cancel); }
    ScriptedPrompt& text(const QString& t);       // for input, password and file dialogs
    ScriptedPrompt& cancelText();                 // an input cancelled
    ScriptedPrompt& choice(int index);            // for choose
    ScriptedPrompt& cancelChoice();

    // When set, questions without a scripted answer get this answer.
    void setDefaultAnswer(std::optional<Answer> a) { defaultAnswer_ = a; }
    // Runs hook with each question's text while the question is on screen,
    // before it is answered (what the user or another program may do then);
    // clear() removes it.
    void whenAsked(std::function<void(const QString& text)> hook) { whenAsked_ = std::move(hook); }

    const QList<Shown>& shown() const { return shown_; }
    QStringList texts() const;          // every text shown, in order
    QString lastText() const;
    bool anyTextContains(const QString& part) const;
    int remainingAnswers() const { return static_cast<int>(script_.size()); }
    void clear();

    void message(MsgKind kind, const QString& text, const QString& caption) override;
    Answer ask(MsgKind kind, const QString& text, Buttons buttons, const QString& caption = {},
               std::optional<Answer> defaultButton = std::nullopt) override;
    std::optional<QString> input(const QString& caption, const QString& label,
                                 const QString& preset = {}, int maxLength = 0) override;
    std::optional<QString> password(const QString& caption, const QString& label) override;
    std::optional<int> choose(const QString& caption, const QString& label,
                              const QStringList& items, int current) override;
    std::optional<QString> openFileName(const QString& caption, const QString& dir,
                                        const QString& filter) override;
    std::optional<QString> saveFileName(const QString& caption, const QString& dir,
                                        const QString& filter) override;
    std::optional<QString> folderName(const QString& caption, const QString& dir) override;

private:
    struct TextAnswer { std::optional<QString> value; };
    struct ChoiceAnswer { std::optional<int> value; };
    using Scripted = std::variant<Answer, TextAnswer, ChoiceAnswer>;

    std::optional<QString> nextText(const QString& what);

    std::deque<Scripted> script_;
    QList<Shown> shown_;
    std::optional<Answer> defaultAnswer_;
    std::function<void(const QString&)> whenAsked_;
};

} // namespace hsa
