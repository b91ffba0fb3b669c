#include "print/printdata.h"

namespace hsa {

namespace {
std::function<QDate()>& clockSlot()
{
    static std::function<QDate()> clock;
    return clock;
}
} // namespace

QDate PrintToday()
{
    return clockSlot() ? clockSlot()() : QDate::currentDate();
}

void SetPrintClock(std::function<QDate()> clock)
{
    clockSlot() = std::move(clock);
}

QString PrintDateText(const QDate& date)
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

} // namespace hsa
