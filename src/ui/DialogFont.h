#pragma once
// The one font the line view sets up and every dialog gives to its labels, lists and buttons.

#include <QFont>
#include <QFontDatabase>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace ui {

// Created on first use.
QFont& dialogFont();

// Sets the shared font up for a font name and a Windows character set: 10 points, bold weight.
void setUpDialogFont(const QString& fontName, int charSet);

// The writing system a Windows character set stands for (used to pick a fallback font that has
// the script's glyphs).
QFontDatabase::WritingSystem writingSystemForCharSet(int charSet);

// The writing system of a Windows locale id (by its primary language).
QFontDatabase::WritingSystem writingSystemForLcId(int32_t lcId);

// A font family list for text in a locale: the named family first, then one that has the
// locale's script, for characters the named family lacks.
QStringList familiesForLcId(const QString& fontName, int32_t lcId);

} // namespace ui
