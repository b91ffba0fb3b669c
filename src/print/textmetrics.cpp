#include "print/textmetrics.h"

#include <QFontMetricsF>
#include <cmath>

namespace hsa {

QFont CellFont(const QString& family, int cellHeight, bool bold, bool italic, bool underline, double* ascent)
{
    QFont f(family.isEmpty() ? QStringLiteral("Times New Roman") : family);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferOutline);
    // The cell (ascent plus descent) is a fixed multiple of the em size for a
    // given face: measure it at a large size and scale.
    constexpr int kReference = 1000;
    f.setPixelSize(kReference);
    const QFontMetricsF ref(f);
    double ratio = (ref.ascent() + ref.descent()) / kReference;
    if (ratio <= 0.0)
        ratio = 1.15;
    const int cell = qMax(1, cellHeight);
    const int pixel = qMax(1, qRound(cell / ratio));
    f.setPixelSize(pixel);
    if (ascent)
        *ascent = ref.ascent() * pixel / kReference;
    return f;
}

int MeasureTextWidth(const QString& family, int cellHeight, bool bold, bool italic, const QString& text)
{
    if (text.isEmpty())
        return 0;
    // Lists measure the same few fonts thousands of times: keep the last one.
    struct Key {
        QString family;
        int height = -1;
        bool bold = false, italic = false;
        bool operator==(const Key&) const = default;
    };
    // Held on the heap and never destroyed: a font must not outlive the
    // application object in a static destructor at the program's end.
    static Key lastKey;
    static QFont* lastFont = new QFont;
    const Key key{family, cellHeight, bold, italic};
    if (!(key == lastKey)) {
        *lastFont = CellFont(family, cellHeight * 10, bold, italic, false);
        lastKey = key;
    }
    const double hundredths = QFontMetricsF(*lastFont).horizontalAdvance(text);
    return static_cast<int>(std::ceil(hundredths / 10.0 - 1e-6));
}

double CondenseFactor(int naturalWidth, int width)
{
    if (width <= 0 || naturalWidth <= width)
        return 1.0;
    return std::max(kMinTextCondense, static_cast<double>(width) / naturalWidth);
}

} // namespace hsa
