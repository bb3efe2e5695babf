// The Settings versions window on a real store: the list and the changes it shows, the restore
// that follows edit mode and asks once, and "Save as…".
#include "records/VersionsWindow.h"
#include "records/VersionTexts.h"

#include "base/SettingsDiff.h"

#include "TestUtil.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>

#include <memory>

using namespace records;
using namespace testutil;

namespace {

const QByteArray First = "[General]\r\nGroup0=Filling\r\nGroup2=Packing\r\n"
                         "[Ma12]\r\nText=Filler 2\r\nAddress=10.0.0.5\r\nGroup=0\r\n"
                         "[Table]\r\nSize0=1000\r\nSize1=2000\r\n";
const QByteArray Second = "[General]\r\nGroup0=Filling\r\nGroup2=Packing\r\n"
                          "[Ma12]\r\nText=Filler 2\r\nAddress=10.0.0.6\r\nGroup=2\r\n"
                          "[Table]\r\nSize0=1200\r\nSize1=2000\r\nSize3=800\r\n";

// The store holds a start version and a machine edit after it; the window lists them.
struct VersionsWindowTest : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<store::Store> store;
    std::unique_ptr<VersionsWindow> window;
    bool editMode = false, answer = true, restoreWorks = true;
    QStringList questions, told;
    std::vector<qint64> restored;
    QString chosen;

    VersionsWindowTest() {
        store::Store::Options options;
        options.path = dir.filePath("history.sqlite");
        options.commitMs = 20;
        store = std::make_unique<store::Store>(options);
        store->start();
        record("start", "", First);
        record("Edit Maschine", First, Second);
        VersionsWindow::Options o;
        o.editMode = [this] { return editMode; };
        o.currentFile = [] { return Second; };
        o.restore = [this](const store::Version& v, QString* reason) {
            if (restoreWorks) restored.push_back(v.id);
            if (!restoreWorks) *reason = QStringLiteral("the file cannot be written");
            return restoreWorks;
        };
        o.confirm = [this](QWidget*, const QString& q) {
            questions << q;
            return answer;
        };
        o.chooseFile = [this](QWidget*, const QString&) { return chosen; };
        o.tell = [this](QWidget*, const QString& m) { told << m; };
        window = std::make_unique<VersionsWindow>(*store, std::move(o));
        window->showVersions();
        EXPECT_TRUE(waitFor([&] { return window->versions().size() == 2 && !window->changesText().isEmpty(); }));
    }
    ~VersionsWindowTest() override {
        window.reset();
        store->finish(5000);
    }
    void record(const char* origin, const QByteArray& before, const QByteArray& after) {
        auto v = std::make_shared<store::Version>();
        v->timeMs = QDateTime::currentMSecsSinceEpoch();
        v->user = QStringLiteral("commissioning");
        v->origin = QString::fromLatin1(origin);
        v->content = after;
        v->size = after.size();
        v->sha256 = "00";
        for (const base::SettingChange& c : base::settingsChanges(before, after))
            v->changes.push_back({c.section, c.key, c.oldValue, c.newValue});
        store->record(std::move(v));
    }
};

} // namespace

TEST_F(VersionsWindowTest, ListsTheVersionsShowsWhatTheSelectedOneChangedAndSavesItAs) {
    QTreeWidget* list = window->list();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    // Newest first, with who, from where and how many keys changed.
    EXPECT_EQ(list->topLevelItem(0)->text(1), "commissioning");
    EXPECT_EQ(list->topLevelItem(0)->text(2), "Edit Maschine");
    EXPECT_EQ(list->topLevelItem(0)->text(3), "4");
    EXPECT_EQ(list->topLevelItem(1)->text(2), "start");
    // The machine's name beside its section, group numbers with their names, the widths in one line.
    EXPECT_EQ(window->changesText(), "Ma12 (Filler 2): Address 10.0.0.5 \u2192 10.0.0.6\n"
                                     "Ma12 (Filler 2): Group 0 (Filling) \u2192 2 (Packing)\n"
                                     "Table: column widths Size0 1000 \u2192 1200, Size3 (none) \u2192 800");

    list->setCurrentItem(list->topLevelItem(1));
    ASSERT_TRUE(waitFor([&] { return window->changesText().startsWith("General: Group0 (none)"); }))
        << window->changesText().toStdString();

    // "Save as…" writes the selected version's bytes, or says why not.
    chosen = dir.filePath("kept.ini");
    window->saveSelectedAs();
    EXPECT_EQ(readBytes(chosen), First);
    EXPECT_TRUE(told.isEmpty());
    chosen = dir.filePath("missing/kept.ini");
    window->saveSelectedAs();
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith("The version was not saved to " + chosen)) << told[0].toStdString();
}

TEST_F(VersionsWindowTest, RestoreFollowsEditModeAsksOnceAndSaysWhyItFailed) {
    const qint64 start = window->versions().back().id;
    window->select(start);
    ASSERT_TRUE(waitFor([&] { return window->changesText().startsWith("General"); }));
    EXPECT_FALSE(window->restoreButton()->isEnabled());
    editMode = true;
    window->editModeChanged();
    EXPECT_TRUE(window->restoreButton()->isEnabled());

    // Declined: nothing restored. The question lists what the restore would change now.
    answer = false;
    window->restoreSelected();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains("Ma12 (Filler 2): Address 10.0.0.6 \u2192 10.0.0.5"))
        << questions[0].toStdString();
    EXPECT_TRUE(questions[0].contains("Size3 800 \u2192 (none)"));
    EXPECT_TRUE(restored.empty());

    QSignalSpy done(window.get(), &VersionsWindow::restored);
    answer = true;
    window->restoreSelected();
    EXPECT_EQ(restored, std::vector<qint64>{start});
    EXPECT_EQ(done.count(), 1);

    // Edit mode ended after the button was enabled: the click checks again.
    editMode = false;
    window->restoreSelected();
    EXPECT_EQ(restored.size(), 1u);
    EXPECT_EQ(told.value(0), "A version can be restored only in edit mode.");
    EXPECT_FALSE(window->restoreButton()->isEnabled());

    editMode = true;
    restoreWorks = false;
    window->restoreSelected();
    EXPECT_EQ(told.value(1), "The version was not restored: the file cannot be written");
    EXPECT_EQ(done.count(), 1);
}

TEST(VersionTexts, NamesComeFromTheVersionAndARestorePreviewCoversOnlyTheLayout) {
    // A machine without a name keeps its bare section; an unknown group number shows bare too;
    // keys outside the layout are listed where they changed but never restored.
    store::Version v;
    v.content = "[General]\r\nLogData=true\r\n[Ma3]\r\nGroup=7\r\n";
    v.changes = {{"General", "LogData", "false", "true"}, {"Ma3", "Group", QString(), "7"}};
    EXPECT_EQ(changeLines(v), (QStringList{"General: LogData false \u2192 true", "Ma3: Group (none) \u2192 7"}));

    const QByteArray now = "[General]\r\nLogData=false\r\nLcId=1031\r\n[Ma3]\r\nGroup=1\r\nText=\r\n";
    const std::vector<base::SettingChange> preview = restorePreview(now, v.content);
    QStringList keys;
    for (const base::SettingChange& c : preview) keys << c.section + "/" + c.key + "=" + c.newValue;
    // The group comes back, LcId goes (the version has none); LogData and an empty Text stay.
    EXPECT_EQ(keys, (QStringList{"Ma3/Group=7", "General/LcId="}));
}
