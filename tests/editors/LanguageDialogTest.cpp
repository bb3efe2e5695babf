#include "editors/EditierenLang.h"

#include "DialogAnswer.h"

using namespace base;
using namespace lang;
using namespace editors;

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
    const LanguageTable two = languages({{1031, "Deutsch"}, {1033, "English"}});
    const LanguageTable noEnglish = languages({{1031, "Deutsch"}});
    const LanguageTable none;
    struct Case {
        const LanguageTable& table;
        int32_t current, row; // row -1: the preselection stays
        bool ok;
        int16_t result;
    };
    const Case cases[] = {
        {two, 1033, 0, true, 1},        {two, 1033, -1, true, 2},  {two, 1033, 0, false, 0},
        {noEnglish, 1036, -1, true, 0}, {none, 1033, -1, true, 0},
    };
    for (const Case& c : cases) {
        EditierenLang dialog(c.table, c.current, false);
        Answer<EditierenLang> answer([&](EditierenLang& d) {
            if (c.row >= 0) d.list()->setCurrentRow(c.row);
            (c.ok ? d.commandOK() : d.commandCancel())->click();
        });
        dialog.run();
        EXPECT_EQ(dialog.LangErgebnis, c.result) << c.table.LanguageCount << " " << c.row << " " << c.ok;
    }
}
