#include "platform/slotguard.h"

#include "platform/errors.h"
#include "platform/prompt.h"

#include <QString>
#include <exception>

namespace hsa {

bool runGuarded(const std::function<void()>& work)
{
    try {
        work();
        return true;
    } catch (const FileError& e) {
        showError(e.message());
    } catch (const std::exception& e) {
        showError(QStringLiteral("Unerwarteter Fehler: ") + QString::fromLocal8Bit(e.what()));
    }
    return false;
}

} // namespace hsa
