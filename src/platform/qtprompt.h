#pragma once
#include "platform/prompt.h"

namespace hsa {

// Prompt shown as Qt dialogs.
class QtPrompt : public Prompt {
public:
    void message(MsgKind kind, const QString& text, const QString& caption) override;
    Answer ask(MsgKind kind, const QString& text, Buttons buttons, const QString& caption,
               std::optional<Answer> defaultButton) override;
    std::optional<QString> input(const QString& caption, const QString& label,
                                 const QString& preset, int maxLength) override;
    std::optional<QString> password(const QString& caption, const QString& label) override;
    std::optional<int> choose(const QString& caption, const QString& label,
                              const QStringList& items, int current) override;
    std::optional<QString> openFileName(const QString& caption, const QString& dir,
                                        const QString& filter) override;
    std::optional<QString> saveFileName(const QString& caption, const QString& dir,
                                        const QString& filter) override;
    std::optional<QString> folderName(const QString& caption, const QString& dir) override;
};

} // namespace hsa
