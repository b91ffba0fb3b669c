#pragma once
#include <QString>

namespace hsa {

// "Zeugnisdatum für alle Schüler": after a hint on the date form, asks for one
// certificate date and writes it, as typed, into the field DATUM of every
// record of the open class.  state().inputOk tells whether the prompt was
// confirmed.  False when nothing was written (no class open, cancelled, or
// an empty date).
bool CertificateDateForAll();

inline const QString kMsgCertificateDateHint = QStringLiteral(
    "Bitte in Zahlenform eingeben. Im Ausdruck wird der Monat automatisch in Wortform übersetzt.");

} // namespace hsa
