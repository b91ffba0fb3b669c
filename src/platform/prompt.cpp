#include "platform/prompt.h"
#include "platform/programwide.h"
#include "platform/qtprompt.h"

namespace hsa {

namespace {
Prompt* g_installed = nullptr;

Prompt& windowPrompt()
{
    static QtPrompt p;
    return p;
}
} // namespace

Prompt& prompts()
{
    return g_installed ? *g_installed : windowPrompt();
}

void setPrompts(Prompt* p)
{
    g_installed = p;
}

namespace {
const ProgramWideReset resetPrompts(ResetOrder::Objects, [] { setPrompts(nullptr); });
}

void showMessage(const QString& text)
{
    prompts().message(MsgKind::Plain, text);
}

void showInformation(const QString& text, const QString& caption)
{
    prompts().message(MsgKind::Information, text, caption);
}

void showWarning(const QString& text, const QString& caption)
{
    prompts().message(MsgKind::Warning, text, caption);
}

void showError(const QString& text, const QString& caption)
{
    prompts().message(MsgKind::Error, text, caption);
}

void showWithCancel(MsgKind kind, const QString& text, const QString& caption)
{
    prompts().ask(kind, text, Buttons::Cancel, caption, Answer::Cancel);
}

bool askYesNo(const QString& text, MsgKind kind, const QString& caption)
{
    return prompts().ask(kind, text, Buttons::YesNo, caption) == Answer::Yes;
}

bool askYesNoDefaultNo(const QString& text, MsgKind kind, const QString& caption)
{
    return prompts().ask(kind, text, Buttons::YesNo, caption, Answer::No) == Answer::Yes;
}

QString displayText(const QString& text)
{
    QString s = text;
    s.replace(QStringLiteral("\n\r"), QStringLiteral("\n"));
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.remove(QLatin1Char('\r'));
    return s;
}

} // namespace hsa
