#pragma once
// The one font the line view sets up and every dialog gives to its labels, lists and buttons.

#include <QFont>
#include <QFontDatabase>
#include <QString>

namespace ui {

// Created on first use.
QFont& dialogFont();

// Sets the shared font up for a font name and a Windows character set: 10 points, bold weight.
void setUpDialogFont(const QString& fontName, int charSet);

// The writing system a Windows character set stands for (used to pick a fallback font that has
// the script's glyphs).
QFontDatabase::WritingSystem writingSystemForCharSet(int charSet);

} // namespace ui
