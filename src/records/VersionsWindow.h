#pragma once
// The Settings versions window: every saved state of the settings file with who, when and from
// where, what changed against the state before it, a restore (in edit mode only) and "Save as…".
// There is one of it; it is not modal. What the window cannot do itself (is edit mode on? restore
// a version; the current file's bytes) the main window gives it as functions.

#include "store/Store.h"

#include <QWidget>

#include <functional>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace records {

class VersionsWindow : public QWidget {
    Q_OBJECT
public:
    struct Options {
        bool stayOnTop = false;
        std::function<bool()> editMode;          // restoring is possible
        std::function<QByteArray()> currentFile; // the settings file's bytes now
        // Restores a version; false with the reason when it cannot.
        std::function<bool(const store::Version&, QString* reason)> restore;
        // Asks once before a restore (empty: a question box); true to go on.
        std::function<bool(QWidget* parent, const QString& question)> confirm;
        // Asks for the file "Save as…" writes to (empty: a save-file dialog); empty: cancelled.
        std::function<QString(QWidget* parent, const QString& suggested)> chooseFile;
        // Says something to the user (empty: a message box).
        std::function<void(QWidget* parent, const QString& message)> tell;
    };

    VersionsWindow(store::Store& store, Options options, QWidget* owner = nullptr);
    ~VersionsWindow() override;

    // Shows and raises the window and loads the list again.
    void showVersions();
    // Edit mode went on or off: the Restore button follows.
    void editModeChanged();
    // Selects the version with this id (its changes are loaded).
    void select(qint64 id);
    void restoreSelected();
    void saveSelectedAs();

    const std::vector<store::Version>& versions() const { return versions_; }
    // The changes shown for the selected version.
    QString changesText() const;
    QPushButton* restoreButton() const { return restore_; }
    QPushButton* saveAsButton() const { return saveAs_; }
    QTreeWidget* list() const { return list_; }

signals:
    // A restore went through: the main window refreshes what it shows.
    void restored();

private:
    void build();
    void listReady(quint64 request, const std::vector<store::Version>& versions);
    void versionReady(quint64 request, const store::Version& version);
    void showSelected();
    void updateButtons();

    store::Store& store_;
    Options options_;
    std::vector<store::Version> versions_;
    store::Version selected_; // whole: bytes and changes
    quint64 listRequest_ = 0;
    quint64 versionRequest_ = 0;
    qint64 wanted_ = 0;   // the id to select when the list arrives
    bool placed_ = false; // sized and centred at its first showing
    QTreeWidget* list_ = nullptr;
    QPlainTextEdit* changes_ = nullptr;
    QLabel* heading_ = nullptr;
    QPushButton* restore_ = nullptr;
    QPushButton* saveAs_ = nullptr;
};

} // namespace records
