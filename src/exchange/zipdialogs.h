#pragma once
#include "zip/zipevents.h"

namespace hsa {

// The ZIP engine's own questions (overwrite, failure, password), asked through
// the program's prompt layer.  Texts arrive and leave as UTF-8.
class PromptZipDialogs : public zip::ZipDialogs {
public:
    OverwriteAnswer AskOverwrite(const std::string& text) override;
    FailureAnswer AskFailure(const std::string& text, bool offerRetry) override;
    std::optional<std::string> AskPassword(const std::string& caption, const std::string& label) override;
    bool AskOkCancel(const std::string& text) override;
};

// Installs PromptZipDialogs as the engine's default dialogs (once).
void InstallZipDialogs();

} // namespace hsa
