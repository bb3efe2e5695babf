#pragma once
// A single-line editor for names in any script: Cyrillic, Greek, CJK through the desktop's input
// method, Arabic and Hebrew right to left, combining marks and characters beyond the Basic
// Multilingual Plane. What is set comes back unchanged, and what is read is exactly what the
// user sees.

#include "ui/Palette.h"

#include <QColor>
#include <QLineEdit>

#include <cstdint>

namespace editors {

// The stored design settings of a box.
struct UnicodeTextBoxDesign {
    QColor backColor = ui::colour(ui::Colour::White);
    QColor backColorDisabled = ui::colour(ui::Colour::Surface);
    QColor foreColor = ui::colour(ui::Colour::CellText);
    QColor foreColorDisabled = ui::colour(ui::Colour::TextDisabled);
    bool border = true;
    // Text alignment when the text itself does not decide it (right-to-left text keeps its side).
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;

    // A single-item dialog's name box: white, grey when disabled.
    static UnicodeTextBoxDesign singleItem();
    // A cell of a grey table: grey background, black text, no frame.
    static UnicodeTextBoxDesign tableCell();
};

class UnicodeTextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit UnicodeTextBox(int index = 0, QWidget* parent = nullptr);

    void setDesign(const UnicodeTextBoxDesign& design);

    // The locale of the text: picks fallback families with the script's glyphs behind the font.
    void setLcId(int32_t lcId);
    int32_t lcId() const { return lcId_; }
    // Sets the font first given, then keeps it with the locale's fallbacks.
    void setBoxFont(const QFont& font);

    QString UnicodeText() const { return text(); }
    // Replaces the whole text (raises Change when it differs).
    void setUnicodeText(const QString& text) { setText(text); }

    int index() const { return index_; }

signals:
    // The text changed (also when set by the program).
    void Change(int index);
    // The box got the keyboard focus.
    void Enter(int index);

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void applyFont();

    int index_;
    int32_t lcId_ = 0;
    QFont baseFont_;
    UnicodeTextBoxDesign design_;
};

} // namespace editors
