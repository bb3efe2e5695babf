// Fonts and captions: the substituted faces, the scripts of locales, and captions shrunk to fit.
#include "ui/Captions.h"
#include "ui/DialogFont.h"
#include "ui/Twips.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QPushButton>

#include <cmath>

TEST(Fonts, TheDefinedFacesMapToAMetricCompatibleFamilyAndTextTakesOneForItsScript) {
    ASSERT_DOUBLE_EQ(ui::logicalDpiX(), 96.0);
    for (const char* face : {"Arial", "Arial Unicode MS", "Lucida Sans Unicode"})
        EXPECT_EQ(QFontInfo(QFont(QLatin1String(face), 10)).family(), "Liberation Sans") << face;
    const std::pair<int32_t, QFontDatabase::WritingSystem> scripts[] = {
        {1049, QFontDatabase::Cyrillic},
        {1032, QFontDatabase::Greek},
        {2052, QFontDatabase::SimplifiedChinese},
        {1028, QFontDatabase::TraditionalChinese},
        {1033, QFontDatabase::Latin},
    };
    for (const auto& [lcId, script] : scripts) EXPECT_EQ(ui::writingSystemForLcId(lcId), script) << lcId;
    EXPECT_EQ(ui::familiesForLcId("Tahoma", 1033), QStringList{"Tahoma"});
    EXPECT_EQ(ui::familiesForLcId("Tahoma", 1049).first(), "Tahoma");
    // A named family that is missing falls to its stand-in, never to the script's first family
    // (on Latin that is a mathematics face), for the dialog font and the name boxes alike.
    const QFont before = ui::dialogFont();
    ui::setUpDialogFont("Arial Unicode MS", 0);
    EXPECT_EQ(QFontInfo(ui::dialogFont()).family(), "Liberation Sans");
    ui::setUpDialogFont("Arial", 204);
    EXPECT_EQ(QFontInfo(ui::dialogFont()).family(), "Liberation Sans");
    EXPECT_EQ(ui::familiesForLcId("Arial", 1049).mid(0, 2).join(",").toLower(), "arial,liberation sans");
    ui::dialogFont() = before;
}

// A caption that fits keeps its font; one that overflows shrinks in half points to the largest
// size that fits, never below 7 points, whatever size it started from.
TEST(Captions, OnlyACaptionThatOverflowsShrinksAndNeverBelowSevenPoints) {
    struct Case {
        const char* caption;
        int width;
        double startSize;
        double expected; // 0: the largest half-point size below the start that fits
    };
    const Case cases[] = {
        {"OK", 100, 10, 10},
        {"Input Language", 100, 10, 0},
        {"A caption far too long for its very small button", 40, 10, 7},
        {"A caption far too long for its very small button", 40, 10.25, 7},
        {"A caption far too long for its very small button", 40, 7.2, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.caption) + " from " + std::to_string(c.startSize));
        QPushButton button(QString::fromLatin1(c.caption));
        button.setGeometry(0, 0, c.width, 30);
        QFont font(QStringLiteral("Arial"));
        font.setPointSizeF(c.startSize);
        button.setFont(font);
        ui::fitCaption(&button);
        const double size = button.font().pointSizeF();
        if (c.expected > 0) {
            EXPECT_DOUBLE_EQ(size, c.expected);
            continue;
        }
        EXPECT_LT(size, c.startSize);
        EXPECT_DOUBLE_EQ(size * 2, std::round(size * 2));
        EXPECT_LE(QFontMetrics(button.font()).horizontalAdvance(button.text()), ui::captionWidth(&button));
        QFont larger = button.font();
        larger.setPointSizeF(size + 0.5);
        EXPECT_GT(QFontMetrics(larger).horizontalAdvance(button.text()), ui::captionWidth(&button));
    }
}
