#include "editors/UnicodeTextBox.h"

#include "ui/DialogFont.h"
#include "ui/Palette.h"

#include <limits>

namespace editors {

UnicodeTextBoxDesign UnicodeTextBoxDesign::singleItem() {
    UnicodeTextBoxDesign d;
    d.backColorDisabled = ui::colour(ui::Colour::White);
    return d;
}

UnicodeTextBoxDesign UnicodeTextBoxDesign::tableCell() {
    UnicodeTextBoxDesign d;
    d.backColor = ui::colour(ui::Colour::Surface);
    d.backColorDisabled = ui::colour(ui::Colour::Surface);
    d.foreColorDisabled = ui::colour(ui::Colour::TextDisabled);
    d.border = false;
    return d;
}

UnicodeTextBox::UnicodeTextBox(int index, QWidget* parent) : QLineEdit(parent), index_(index) {
    // A name of any length comes back whole (a line edit's default limit is 32767 characters).
    setMaxLength(std::numeric_limits<int>::max());
    setDesign(UnicodeTextBoxDesign::singleItem());
    connect(this, &QLineEdit::textChanged, this, [this] { emit Change(index_); });
}

void UnicodeTextBox::setDesign(const UnicodeTextBoxDesign& design) {
    design_ = design;
    setFrame(design.border);
    setAlignment(design.alignment);
    setStyleSheet(
        ui::styleSheet(QStringLiteral("QLineEdit { background: %1; color: %2; %5 padding: 0 3px; }"
                                      "QLineEdit:disabled { background: %3; color: %4; }"
                                      "QLineEdit:focus { border-color: @focus; }")
                           .arg(design.backColor.name(), design.foreColor.name(), design.backColorDisabled.name(),
                                design.foreColorDisabled.name(),
                                design.border ? QStringLiteral("border: 1px solid @edge;")
                                              // Without a frame a thin line under each row keeps a
                                              // table readable.
                                              : QStringLiteral("border: none; border-bottom: 1px solid @rule;"))));
}

void UnicodeTextBox::setBoxFont(const QFont& font) {
    baseFont_ = font;
    applyFont();
}

void UnicodeTextBox::setLcId(int32_t lcId) {
    lcId_ = lcId;
    applyFont();
}

void UnicodeTextBox::applyFont() {
    QFont f = baseFont_;
    f.setFamilies(ui::familiesForLcId(baseFont_.family(), lcId_));
    setFont(f);
}

void UnicodeTextBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    emit Enter(index_);
}

} // namespace editors
