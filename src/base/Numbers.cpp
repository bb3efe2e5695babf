#include "base/Numbers.h"

#include <cmath>

namespace {
bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }
bool isDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

// Parses a number at the start of text; `end` is where it stopped, `digits` whether any digit was read.
double parse(QStringView text, qsizetype* end, bool* digits, bool* tooLarge) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) negative = text[i++] == QLatin1Char('-');
    double value = 0;
    *digits = false;
    *tooLarge = false;
    for (; i < n && isDigit(text[i]); ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        *digits = true;
        if (value > 1e18) *tooLarge = true;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        double scale = 0.1;
        for (++i; i < n && isDigit(text[i]); ++i, scale /= 10) {
            value += (text[i].unicode() - '0') * scale;
            *digits = true;
        }
    }
    *end = i;
    return negative ? -value : value;
}

std::optional<qint64> fit(double value, qint64 min, qint64 max) {
    const double rounded = std::nearbyint(value); // ties to even under the default rounding mode
    if (rounded < static_cast<double>(min) || rounded > static_cast<double>(max)) return std::nullopt;
    return static_cast<qint64>(rounded);
}
} // namespace

std::optional<qint64> leadingNumber(QStringView text, qint64 min, qint64 max) {
    qsizetype end = 0;
    bool digits = false, tooLarge = false;
    const double value = parse(text, &end, &digits, &tooLarge);
    if (tooLarge) return std::nullopt;
    return fit(value, min, max);
}

std::optional<qint64> strictNumber(QStringView text, qint64 min, qint64 max) {
    qsizetype end = 0;
    bool digits = false, tooLarge = false;
    const double value = parse(text, &end, &digits, &tooLarge);
    while (end < text.size() && isBlank(text[end])) ++end;
    if (!digits || tooLarge || end != text.size()) return std::nullopt;
    return fit(value, min, max);
}
