#include "app/numbers.h"

#include <cmath>
#include <stdexcept>

namespace {

// A whole number as plain digits (15 significant digits, "." whatever the locale).
QString wholeText(double whole) {
    return QString::number(whole, 'g', 15);
}

} // namespace

QString formatNumber(double value) {
    if (value > -0.0001 && value < 0.0001)
        return QStringLiteral("0");
    if (std::isnan(value))
        return QStringLiteral("Nan");
    if (value < 0)
        return QStringLiteral("-") + formatNumber(-value);
    if (std::isinf(value))
        return QStringLiteral("Inf");
    const double whole = std::floor(value);
    // The added 0.0001 lets 2.675 (stored as 2.67499...) count as 675 thousandths.
    const auto thousandths = static_cast<long long>((value - whole + 0.0001) * 1000);
    const long long r = thousandths + 5;
    if (r < 10)
        return wholeText(whole) + QStringLiteral(".00");
    if (r < 100)
        return wholeText(whole) + QStringLiteral(".0") + QString::number(r / 10);
    if (r < 1000)
        return wholeText(whole) + QStringLiteral(".") + QString::number(r / 10);
    return wholeText(whole + 1) + QStringLiteral(".00");
}

double parseNumberText(const QString& text) {
    if (text.isEmpty())
        return 0;
    QString digits = text;
    digits.remove(QLatin1Char(','));
    bool ok = false;
    const double value = digits.toDouble(&ok);
    // Not-a-number and infinities are not measurements anyone types.
    if (!ok || !std::isfinite(value))
        throw std::invalid_argument("'" + text.toStdString() +
                                    "' is not a valid floating point value");
    return value;
}

bool sameNumber(double a, double b) {
    return b - 0.001 < a && a - 0.001 < b;
}
