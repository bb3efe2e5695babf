#pragma once
// "Symbol": the modal picker of a machine's symbol number from the pictures in the program's
// MachineSymbols folder, 20 at a time in 4 columns and 5 rows. The caller sets SymbolNr, runs the
// dialog and reads SymbolErgebnis (1 OK, 0 Cancel) and, after OK, the SymbolNr clicked.

#include "editors/ModalDialog.h"
#include "editors/SymbolCatalog.h"

#include <array>

class QScrollBar;

namespace editors {

// One picture place: the picture at its own size from the top-left corner on a background that
// is green for the selected number.
class SymbolPlace : public QWidget {
    Q_OBJECT
public:
    SymbolPlace(int place, QWidget* parent);
    void setPicture(const QPixmap& picture);
    // Writes the colour only when it differs.
    void setMarked(bool marked);
    bool marked() const { return marked_; }
    const QPixmap& picture() const { return picture_; }

signals:
    void clicked(int place);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int place_;
    QPixmap picture_;
    bool marked_ = false;
};

class SymbolAuswahl : public ModalDialog {
    Q_OBJECT
public:
    SymbolAuswahl(QString programDirectory, bool ostrelPresent);

    int16_t SymbolNr = 0;
    int16_t SymbolErgebnis = 0;

    // Lists the folder afresh, marks SymbolNr and shows the first rows; then shows the dialog
    // modally at its default place.
    // Returns SymbolErgebnis.
    int16_t pick();

    int ErsteZeile = 0;
    const SymbolCatalog& catalog() const { return catalog_; }
    SymbolPlace* place(int p) const { return places_[static_cast<size_t>(p)]; }
    QScrollBar* scroll() const { return scroll_; }
    QPushButton* commandOK() const { return commandOK_; }
    QPushButton* commandCancel() const { return commandCancel_; }

protected:
    void cancel() override { CommandCancel_Click(); }

private:
    void BilderAnzeigen();
    void recolour();
    void Bild_Click(int place);
    void CommandOK_Click();
    void CommandCancel_Click();

    QString programDirectory_;
    SymbolCatalog catalog_;
    std::array<SymbolPlace*, SymbolCatalog::Places> places_{};
    QScrollBar* scroll_ = nullptr;
    QPushButton* commandOK_ = nullptr;
    QPushButton* commandCancel_ = nullptr;
};

} // namespace editors
