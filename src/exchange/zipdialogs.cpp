#include "exchange/zipdialogs.h"

#include "platform/prompt.h"

namespace hsa {

namespace {
QString fromUtf8(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
} // namespace

zip::ZipDialogs::OverwriteAnswer PromptZipDialogs::AskOverwrite(const std::string& text)
{
    // Yes/No/Cancel: Cancel stands for "no to all" so the user can stop a run
    // of questions at once.
    switch (prompts().ask(MsgKind::Confirmation, fromUtf8(text), Buttons::YesNoCancel)) {
    case Answer::Yes: return OverwriteAnswer::Yes;
    case Answer::Cancel: return OverwriteAnswer::NoToAll;
    default: return OverwriteAnswer::No;
    }
}

zip::ZipDialogs::FailureAnswer PromptZipDialogs::AskFailure(const std::string& text, bool offerRetry)
{
    const QString t = fromUtf8(text);
    if (offerRetry) {
        const QString q = t + QStringLiteral("\n\r\n\rNochmals versuchen (Ja), überspringen (Nein) oder abbrechen?");
        switch (prompts().ask(MsgKind::Error, q, Buttons::YesNoCancel)) {
        case Answer::Yes: return FailureAnswer::Retry;
        case Answer::No: return FailureAnswer::Ignore;
        default: return FailureAnswer::Abort;
        }
    }
    const QString q = t + QStringLiteral("\n\r\n\rÜberspringen (Ja) oder abbrechen (Nein)?");
    return prompts().ask(MsgKind::Error, q, Buttons::YesNo) == Answer::Yes ? FailureAnswer::Ignore
                                                                           : FailureAnswer::Abort;
}

std::optional<std::string> PromptZipDialogs::AskPassword(const std::string& caption, const std::string& label)
{
    const std::optional<QString> p = prompts().password(fromUtf8(caption), fromUtf8(label));
    if (!p)
        return std::nullopt;
    const QByteArray b = p->left(255).toUtf8();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

bool PromptZipDialogs::AskOkCancel(const std::string& text)
{
    return prompts().ask(MsgKind::Information, fromUtf8(text), Buttons::OkCancel) == Answer::Ok;
}

void InstallZipDialogs()
{
    static PromptZipDialogs dialogs;
    zip::SetDefaultZipDialogs(&dialogs);
}

} // namespace hsa
