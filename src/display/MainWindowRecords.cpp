// The main window's part in the event history and the settings versions: the tiles' context menu
// and the two windows it opens.

#include "base/Profile.h"
#include "display/GroupModul.h"
#include "display/LineModul.h"
#include "display/MainWindow.h"
#include "records/HistoryWindow.h"
#include "records/VersionsWindow.h"
#include "ui/DialogFont.h"
#include "ui/Palette.h"

#include <QKeyEvent>
#include <QMenu>

using namespace base;

namespace display {

void VelkoZuraVeradadClient::showTileMenu(bool group, int tile, QPoint globalPos) {
    if (!tileMenu_) {
        tileMenu_ = new QMenu(this);
        tileMenu_->setObjectName(QStringLiteral("TileMenu"));
        tileMenu_->setStyleSheet(ui::styleSheet(
            QStringLiteral("QMenu { background: @white; color: @text; border: 1px solid @edge; padding: 4px 0; }"
                           "QMenu::item { padding: 8px 28px 8px 20px; }"
                           "QMenu::item:selected { background: @focus; color: @onDark; }"
                           "QMenu::separator { height: 1px; background: @edgeQuiet; margin: 4px 8px; }")));
    }
    tileMenu_->close();
    tileMenu_->clear();
    tileMenu_->setFont(ui::dialogFont());
    const LineLayout& layout = station_.layout();
    if (group) {
        const int g = firstShownGroup() + tile;
        tileMenu_->addAction(records::menuText(records::MachineChoice::group(g), layout), this,
                             [this, g] { historyWindow().showForGroup(g); });
    } else {
        const int slot = firstShownSlot() + tile;
        tileMenu_->addAction(records::menuText(records::MachineChoice::machine(slot), layout), this,
                             [this, slot] { historyWindow().showForMachine(slot); });
    }
    tileMenu_->addAction(records::menuText(records::MachineChoice::line(), layout), this,
                         [this] { historyWindow().showLine(); });
    tileMenu_->addSeparator();
    tileMenu_->addAction(QStringLiteral("Settings versions…"), this, [this] { versionsWindow().showVersions(); });
    // Not exec(): the menu must not run an event loop of its own while the line is served.
    tileMenu_->popup(globalPos);
}

records::HistoryWindow& VelkoZuraVeradadClient::historyWindow() {
    const bool onTop = station_.settings().ostrelPresent;
    if (!historyWindow_) {
        records::HistoryWindow::Options options;
        options.stayOnTop = onTop;
        historyWindow_ = std::make_unique<records::HistoryWindow>(*station_.history().store(), station_.layout(),
                                                                  std::move(options), this);
    }
    historyWindow_->setStayOnTop(onTop);
    return *historyWindow_;
}

records::VersionsWindow& VelkoZuraVeradadClient::versionsWindow() {
    if (!versionsWindow_) {
        records::VersionsWindow::Options options;
        options.stayOnTop = station_.settings().ostrelPresent;
        options.editMode = [this] { return station_.editMode(); };
        options.currentFile = [this] {
            QByteArray bytes;
            profile::readFile(station_.paths().settingsFile(), &bytes);
            return bytes;
        };
        options.restore = [this](const store::Version& version, QString* reason) {
            return station_.restoreVersion(version, reason);
        };
        versionsWindow_ =
            std::make_unique<records::VersionsWindow>(*station_.history().store(), std::move(options), this);
    }
    return *versionsWindow_;
}

void VelkoZuraVeradadClient::keyPressEvent(QKeyEvent* event) {
    const bool menuKey =
        event->key() == Qt::Key_Menu || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    if (!menuKey) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    const QWidget* under = childAt(mapFromGlobal(QCursor::pos()));
    const auto centre = [](const QWidget* w) { return w->mapToGlobal(w->rect().center()); };
    for (int g = 0; g < GroupTiles; ++g)
        if (groupTile(g) == under) {
            showTileMenu(true, g, centre(under));
            return;
        }
    int t = 0;
    while (t + 1 < MachineTiles && machineTile(t) != under) ++t;
    if (machineTile(t) != under) t = 0;
    showTileMenu(false, t, centre(machineTile(t)));
}

} // namespace display
