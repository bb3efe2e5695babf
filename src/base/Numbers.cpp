#include "base/Numbers.h"

#include <cmath>
#include <type_traits>

namespace base {

namespace {
template <typename Char> int code(Char c) {
    if constexpr (std::is_same_v<Char, QChar>)
        return c.unicode();
    else
        return static_cast<unsigned char>(c);
}

template <typename Text> DigitScan scan(Text text, Blanks blanks) {
    DigitScan s;
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto blank = [blanks](int c) { return c == ' ' || (c == '\t' && blanks == Blanks::SpaceAndTab); };
    while (i < n && blank(code(text[i]))) ++i;
    if (i < n && (code(text[i]) == '-' || code(text[i]) == '+')) s.negative = code(text[i++]) == '-';
    for (; i < n && code(text[i]) >= '0' && code(text[i]) <= '9'; ++i) {
        s.magnitude = s.magnitude * 10 + static_cast<quint64>(code(text[i]) - '0');
        s.huge = s.huge || s.magnitude > 1'000'000'000'000'000'000ULL;
        s.digits = true;
    }
    s.end = i;
    return s;
}

bool isDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

// Parses a number at the start of text; `end` is where it stopped, `digits` whether any digit was read.
double parse(QStringView text, qsizetype* end, bool* digits, bool* tooLarge) {
    const DigitScan s = scan(text, Blanks::SpaceAndTab);
    qsizetype i = s.end;
    const qsizetype n = text.size();
    double value = static_cast<double>(s.magnitude);
    *digits = s.digits;
    *tooLarge = s.huge;
    if (i < n && text[i] == QLatin1Char('.')) {
        double scale = 0.1;
        for (++i; i < n && isDigit(text[i]); ++i, scale /= 10) {
            value += (text[i].unicode() - '0') * scale;
            *digits = true;
        }
    }
    *end = i;
    return s.negative ? -value : value;
}

std::optional<qint64> fit(double value, qint64 min, qint64 max) {
    const double rounded = std::nearbyint(value); // ties to even under the default rounding mode
    if (rounded < static_cast<double>(min) || rounded > static_cast<double>(max)) return std::nullopt;
    return static_cast<qint64>(rounded);
}
} // namespace

DigitScan scanDigits(QStringView text, Blanks blanks) { return scan(text, blanks); }

DigitScan scanDigits(QByteArrayView text, Blanks blanks) { return scan(text, blanks); }

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
    while (end < text.size() && (text[end] == QLatin1Char(' ') || text[end] == QLatin1Char('\t'))) ++end;
    if (!digits || tooLarge || end != text.size()) return std::nullopt;
    return fit(value, min, max);
}

} // namespace base
