#include "platform/scriptedprompt.h"

namespace hsa {

ScriptedPrompt& ScriptedPrompt::answer(Answer a)
{
    script_.push_back(a);
    return *this;
}

ScriptedPrompt& ScriptedPrompt::text(const QString& t)
{
    script_.push_back(TextAnswer{t});
    return *this;
}

ScriptedPrompt& ScriptedPrompt::cancelText()
{
    script_.push_back(TextAnswer{std::nullopt});
    return *this;
}

ScriptedPrompt& ScriptedPrompt::choice(int index)
{
    script_.push_back(ChoiceAnswer{index});
    return *this;
}

ScriptedPrompt& ScriptedPrompt::cancelChoice()
{
    script_.push_back(ChoiceAnswer{std::nullopt});
    return *this;
}

QStringList ScriptedPrompt::texts() const
{
    QStringList out;
    for (const Shown& s : shown_)
        out << s.text;
    return out;
}

QString ScriptedPrompt::lastText() const
{
    return shown_.isEmpty() ? QString() : shown_.last().text;
}

bool ScriptedPrompt::anyTextContains(const QString& part) const
{
    for (const Shown& s : shown_)
        if (s.text.contains(part))
            return true;
    return false;
}

void ScriptedPrompt::clear()
{
    shown_.clear();
    script_.clear();
    whenAsked_ = nullptr;
}

void ScriptedPrompt::message(MsgKind kind, const QString& text, const QString& caption)
{
    shown_.append(Shown{Call::Message, kind, text, caption, Buttons::Ok, {}, {}, {}, 0});
}

Answer ScriptedPrompt::ask(MsgKind kind, const QString& text, Buttons buttons,
                           const QString& caption, std::optional<Answer> defaultButton)
{
    shown_.append(Shown{Call::Ask, kind, text, caption, buttons, {}, {}, defaultButton, 0});
    if (whenAsked_)
        whenAsked_(text);
    // A box with the one button Cancel has only one answer.
    if (buttons == Buttons::Cancel)
        return Answer::Cancel;
    if (!script_.empty() && std::holds_alternative<Answer>(script_.front())) {
        Answer a = std::get<Answer>(script_.front());
        script_.pop_front();
        return a;
    }
    if (defaultAnswer_)
        return *defaultAnswer_;
    throw UnscriptedPrompt("unscripted question: " + text.toStdString());
}

std::optional<QString> ScriptedPrompt::nextText(const QString& what)
{
    if (!script_.empty() && std::holds_alternative<TextAnswer>(script_.front())) {
        const TextAnswer a = std::get<TextAnswer>(script_.front());
        script_.pop_front();
        if (!a.value)
            return std::nullopt;
        return QString(*a.value);
    }
    throw UnscriptedPrompt("unscripted input: " + what.toStdString());
}

std::optional<QString> ScriptedPrompt::input(const QString& caption, const QString& label,
                                             const QString& preset, int maxLength)
{
    shown_.append(Shown{Call::Input, MsgKind::Plain, label, caption, Buttons::OkCancel, preset, {}, {}, maxLength});
    return nextText(caption + QStringLiteral(" / ") + label);
}

std::optional<QString> ScriptedPrompt::password(const QString& caption, const QString& label)
{
    shown_.append(Shown{Call::Password, MsgKind::Plain, label, caption, Buttons::OkCancel, {}, {}, {}, 0});
    return nextText(caption + QStringLiteral(" / ") + label);
}

std::optional<int> ScriptedPrompt::choose(const QString& caption, const QString& label,
                                          const QStringList& items, int)
{
    shown_.append(Shown{Call::Choose, MsgKind::Plain, label, caption, Buttons::OkCancel, {}, items, {}, 0});
    if (!script_.empty() && std::holds_alternative<ChoiceAnswer>(script_.front())) {
        auto v = std::get<ChoiceAnswer>(script_.front()).value;
        script_.pop_front();
        return v;
    }
    throw UnscriptedPrompt("unscripted choice: " + label.toStdString());
}

std::optional<QString> ScriptedPrompt::openFileName(const QString& caption, const QString& dir,
                                                    const QString& filter)
{
    shown_.append(Shown{Call::OpenFile, MsgKind::Plain, caption, caption, Buttons::OkCancel, dir, {filter}, {}, 0});
    return nextText(caption);
}

std::optional<QString> ScriptedPrompt::saveFileName(const QString& caption, const QString& dir,
                                                    const QString& filter)
{
    shown_.append(Shown{Call::SaveFile, MsgKind::Plain, caption, caption, Buttons::OkCancel, dir, {filter}, {}, 0});
    return nextText(caption);
}

std::optional<QString> ScriptedPrompt::folderName(const QString& caption, const QString& dir)
{
    shown_.append(Shown{Call::Folder, MsgKind::Plain, caption, caption, Buttons::OkCancel, dir, {}, {}, 0});
    return nextText(caption);
}

} // namespace hsa
