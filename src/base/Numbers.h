#pragma once
// Numbers in text, read the two ways the program needs.

#include <QStringView>

#include <optional>

// The leading decimal number of a text (blanks, a sign, digits, a fraction), 0 when there is
// none, rounded to the nearest integer with ties to even; nullopt when it does not fit in [min, max].
std::optional<qint64> leadingNumber(QStringView text, qint64 min, qint64 max);

// The whole text as a number (blanks around it allowed, a fraction rounded with ties to even);
// nullopt when it is not a number or does not fit in [min, max].
std::optional<qint64> strictNumber(QStringView text, qint64 min, qint64 max);
