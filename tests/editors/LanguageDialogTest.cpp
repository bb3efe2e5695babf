#include "editors/EditierenLang.h"

#include "display/GroupModul.h"
#include "display/LineModul.h"
#include "display/MainWindow.h"

#include "DialogAnswer.h"
#include "StationRig.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

using namespace base;
using namespace lang;
using namespace station;
using namespace editors;
using namespace display;

using testutil::readBytes;
using testutil::writeBytes;

namespace {
LanguageTable languages(std::initializer_list<std::pair<int32_t, const char*>> entries) {
    LanguageTable t;
    for (const auto& [lcId, name] : entries) {
        LanguageRecord& e = t.Languages[static_cast<size_t>(++t.LanguageCount)];
        e.LcId = lcId;
        e.Name = QString::fromUtf8(name);
    }
    return t;
}

} // namespace

TEST(EditierenLang, PreselectsTheCurrentLanguageElseEnglishElseNothing) {
    const LanguageTable t = languages({{1031, "Deutsch"}, {1033, "English"}, {1049, "Русский"}, {1049, "Again"}});
    EditierenLang current(t, 1049, false);
    EXPECT_EQ(current.windowTitle(), "Choose Language");
    EXPECT_EQ(current.size(), QSize(294, 595));
    ASSERT_EQ(current.list()->count(), 4);
    EXPECT_EQ(current.list()->item(2)->text(), "Русский");
    EXPECT_EQ(current.list()->currentRow(), 2);
    EditierenLang fallback(t, 1036, false);
    EXPECT_EQ(fallback.list()->currentRow(), 1);
    const LanguageTable noEnglish = languages({{1031, "Deutsch"}});
    EditierenLang none(noEnglish, 1036, false);
    EXPECT_TRUE(none.list()->selectedItems().isEmpty());
}

TEST(EditierenLang, OkGivesTheChosenEntryAndEverythingElseGivesZero) {
    const LanguageTable t = languages({{1031, "Deutsch"}, {1033, "English"}});
    EditierenLang ok(t, 1033, false);
    {
        Answer<EditierenLang> answer([](EditierenLang& d) {
            d.list()->setCurrentRow(0);
            d.commandOK()->click();
        });
        ok.run();
    }
    EXPECT_EQ(ok.LangErgebnis, 1);
    {
        Answer<EditierenLang> answer([](EditierenLang& d) { d.commandCancel()->click(); });
        EditierenLang cancel(t, 1033, false);
        cancel.run();
        EXPECT_EQ(cancel.LangErgebnis, 0);
    }
    Answer<EditierenLang> okAnswer([](EditierenLang& d) { d.commandOK()->click(); });
    const LanguageTable noEnglish = languages({{1031, "Deutsch"}});
    EditierenLang nothing(noEnglish, 1036, false);
    nothing.run();
    EXPECT_EQ(nothing.LangErgebnis, 0);
    EditierenLang empty(LanguageTable{}, 1033, false);
    EXPECT_EQ(empty.list()->count(), 0);
    empty.run();
    EXPECT_EQ(empty.LangErgebnis, 0);
}

namespace {
class LanguageWindowTest : public ::testing::Test {
protected:
    StationRig rig;
    ProgramPaths& paths = rig.paths;
    QTemporaryDir& dir = rig.dir;
    Station* station = nullptr;

    VelkoZuraVeradadClient* start(const QByteArray& ini, bool ostrel = false) {
        QFile::copy(QStringLiteral(VRR_TEST_DATA "/languages.mdb"), dir.filePath("LANGUAGES.MDB"));
        if (ostrel) QDir(rig.root.path()).mkdir("ostrel");
        station = &rig.start(ini);
        return rig.window.get();
    }
};
} // namespace

TEST_F(LanguageWindowTest, StartUpLoadsTheTableAndAppliesTheCurrentLanguage) {
    start("[General]\r\nLogDebug=true\r\nLogSystem=true\r\nLcId=1049\r\nCodePage=1251\r\n");
    EXPECT_EQ(station->languages().LanguageCount, 18);
    EXPECT_EQ(station->settings().charSet, 204);
    EXPECT_TRUE(testutil::logLines(dir.filePath("DizaVizaru.txt")).contains("C Debug Form_Load 3 18"));
    EXPECT_FALSE(station->settings().ostrelPresent);
}

TEST_F(LanguageWindowTest, ChoosingALanguageSavesItAndReappliesTheTiles) {
    auto window = start("[General]\r\nLcId=1033\r\nFontName=DejaVu Sans\r\n; kept\r\n");
    window->CommandStart_Click(); // disconnect, then edit mode shows the button
    window->CommandEdit_Click();
    EXPECT_FALSE(window->commandLang()->isHidden());
    bool topmostWhileOpen = true;
    {
        Answer<EditierenLang> answer([&](EditierenLang& d) {
            EXPECT_EQ(d.list()->currentRow(), 0); // English preselected
            topmostWhileOpen = d.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            d.list()->setCurrentRow(station->languages().find(1045) - 1);
            d.commandOK()->click();
        });
        window->CommandLang_Click();
    }
    EXPECT_FALSE(topmostWhileOpen);
    EXPECT_EQ(station->settings().lcId, 1045);
    EXPECT_EQ(station->settings().codePage, 1250);
    EXPECT_EQ(station->settings().charSet, 238);
    EXPECT_EQ(station->settings().fontName, "DejaVu Sans"); // the font name is not changed by a choice
    EXPECT_EQ(readBytes(paths.settingsFile()),
              "[General]\r\nLcId=1045\r\nFontName=DejaVu Sans\r\n; kept\r\nCodePage=1250\r\n");
    for (int t = 0; t < 24; ++t) EXPECT_EQ(window->machineTile(t)->lcId(), 1045);
    for (int g = 0; g < 12; ++g) EXPECT_EQ(window->groupTile(g)->lcId(), 1045);

    // Cancel changes nothing; the same language again rewrites both keys.
    testutil::writeBytes(paths.settingsFile(), "[General]\r\nLcId=7\r\n");
    {
        Answer<EditierenLang> answer([](EditierenLang& d) { d.commandCancel()->click(); });
        window->CommandLang_Click();
    }
    EXPECT_EQ(readBytes(paths.settingsFile()), "[General]\r\nLcId=7\r\n");
    {
        Answer<EditierenLang> answer([](EditierenLang& d) { d.commandOK()->click(); });
        window->CommandLang_Click();
    }
    EXPECT_EQ(readBytes(paths.settingsFile()), "[General]\r\nLcId=1045\r\nCodePage=1250\r\n");
}

TEST_F(LanguageWindowTest, WithOstrelTheDialogIsTopmostWhileOpen) {
    auto window = start("[General]\r\nLcId=1033\r\n", true);
    EXPECT_TRUE(station->settings().ostrelPresent);
    window->CommandStart_Click();
    window->CommandEdit_Click();
    bool topmostWhileOpen = false;
    EditierenLang* seen = nullptr;
    bool topmostAfter = true;
    Answer<EditierenLang> answer([&](EditierenLang& d) {
        seen = &d;
        topmostWhileOpen = d.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        QObject::connect(&d, &QDialog::finished,
                         [&] { topmostAfter = d.windowFlags().testFlag(Qt::WindowStaysOnTopHint); });
        d.commandCancel()->click();
    });
    window->CommandLang_Click();
    ASSERT_NE(seen, nullptr);
    EXPECT_TRUE(topmostWhileOpen);
    EXPECT_FALSE(topmostAfter);
}
