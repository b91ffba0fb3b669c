#pragma once
#include <optional>
#include <string>

namespace hsa::zip {

// The questions the archiver asks itself when its owner has not assigned an
// event handler.  The engine holds no user interface: the program installs
// an implementation (message boxes, the password dialog); without one the
// engine decides without asking (overwrite no, failure abort, password skip).
class ZipDialogs {
public:
    virtual ~ZipDialogs() = default;

    enum class OverwriteAnswer { Yes, No, NoToAll, YesToAll };
    // text: "Overwrite file "<dest>" with "<source>"".
    virtual OverwriteAnswer AskOverwrite(const std::string& text) = 0;

    enum class FailureAnswer { Abort, Retry, Ignore };
    // offerRetry false: buttons Abort and Ignore only.
    virtual FailureAnswer AskFailure(const std::string& text, bool offerRetry) = 0;

    // The password dialog: caption "Password for "<entry>"", label
    // "Enter password: "; at most 255 characters shown as asterisks.
    // nullopt when cancelled.
    virtual std::optional<std::string> AskPassword(const std::string& caption, const std::string& label) = 0;

    // A message with OK and Cancel (the volume requests of split and spanned
    // archives); true for OK.  Without an answer of its own: Cancel.
    virtual bool AskOkCancel(const std::string& text)
    {
        (void)text;
        return false;
    }
};

// The dialogs used by archivers that have none of their own (may be null).
void SetDefaultZipDialogs(ZipDialogs* dialogs);
ZipDialogs* DefaultZipDialogs();

} // namespace hsa::zip
