#pragma once
// Numbers in text: the one scanner of blanks, a sign and decimal digits, and the reads built on it.

#include <QByteArrayView>
#include <QStringView>

#include <optional>

namespace base {

// What stands at the start of a text: blanks, a sign, decimal digits (ASCII only).
struct DigitScan {
    qsizetype end = 0; // where the digits end
    bool negative = false;
    bool digits = false;   // any digit at all
    quint64 magnitude = 0; // the digits' value, counted modulo 2^64
    bool huge = false;     // the value is above 10^18
};

// Which characters count as blanks before the sign.
enum class Blanks { SpaceAndTab, Space };

DigitScan scanDigits(QStringView text, Blanks blanks = Blanks::SpaceAndTab);
DigitScan scanDigits(QByteArrayView text, Blanks blanks = Blanks::SpaceAndTab);

// The leading decimal number of a text (blanks, a sign, digits, a fraction), 0 when there is
// none, rounded to the nearest integer with ties to even; nullopt when it does not fit in [min, max].
std::optional<qint64> leadingNumber(QStringView text, qint64 min, qint64 max);

// The whole text as a number (blanks around it allowed, a fraction rounded with ties to even);
// nullopt when it is not a number or does not fit in [min, max].
std::optional<qint64> strictNumber(QStringView text, qint64 min, qint64 max);

} // namespace base
