#include "editors/SymbolAuswahl.h"

#include "ui/SymbolImages.h"
#include "ui/Twips.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>

namespace editors {

namespace {
const QColor Grey(0xC0, 0xC0, 0xC0);
const QColor Green(0x00, 0xFF, 0x00);
} // namespace

SymbolPlace::SymbolPlace(int place, QWidget* parent) : QWidget(parent), place_(place) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
}

void SymbolPlace::setPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void SymbolPlace::setMarked(bool marked) {
    if (marked_ == marked) return;
    marked_ = marked;
    update();
}

void SymbolPlace::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), marked_ ? Green : Grey);
    // At its own size from the top-left corner; a picture larger than its place is scaled down to
    // fit rather than cut off.
    if (!picture_.isNull()) {
        const bool fits = picture_.width() <= width() && picture_.height() <= height();
        p.drawPixmap(0, 0, fits ? picture_ : picture_.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    if (marked_) {
        // A frame as well, so the choice stays visible on a picture that fills its place.
        p.setPen(QPen(Green.darker(140), 2));
        p.drawRect(rect().adjusted(1, 1, -1, -1));
    }
}

void SymbolPlace::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked(place_);
}

SymbolAuswahl::SymbolAuswahl(QString programDirectory, bool ostrelPresent)
    : ModalDialog(nullptr, QStringLiteral("SymbolAuswahl"), QStringLiteral("Symbol"), 5490, 5250, ostrelPresent,
                  Frame::Resizable),
      programDirectory_(std::move(programDirectory)) {
    for (int p = 0; p < SymbolCatalog::Places; ++p) {
        auto* place = new SymbolPlace(p, this);
        place->setObjectName(QStringLiteral("Bild%1").arg(p + 1));
        place->setGeometry(ui::twipsRect(30 + 1230 * (p % SymbolCatalog::Columns),
                                         30 + 930 * (p / SymbolCatalog::Columns), 1200, 900));
        connect(place, &SymbolPlace::clicked, this, &SymbolAuswahl::Bild_Click);
        places_[static_cast<size_t>(p)] = place;
    }
    scroll_ = new QScrollBar(Qt::Vertical, this);
    scroll_->setObjectName(QStringLiteral("Scroll"));
    scroll_->setGeometry(ui::twipsRect(4980, 30, 435, 4620));
    scroll_->setPageStep(1);
    connect(scroll_, &QScrollBar::valueChanged, this, [this](int value) {
        ErsteZeile = value;
        BilderAnzeigen();
    });
    commandOK_ = makeButton("CommandOK", QStringLiteral("OK"), 60, 4830, 1200, 360);
    commandCancel_ = makeButton("CommandCancel", QStringLiteral("Cancel"), 1290, 4830, 1200, 360);
    connect(commandOK_, &QPushButton::clicked, this, &SymbolAuswahl::CommandOK_Click);
    connect(commandCancel_, &QPushButton::clicked, this, &SymbolAuswahl::CommandCancel_Click);
}

int16_t SymbolAuswahl::pick() {
    commandOK_->setEnabled(false);
    catalog_ = SymbolCatalog::list(programDirectory_);
    ErsteZeile = 0;
    {
        const QSignalBlocker quiet(scroll_);
        scroll_->setRange(0, catalog_.scrollMaximum());
        scroll_->setValue(0);
    }
    BilderAnzeigen();
    run();
    return SymbolErgebnis;
}

void SymbolAuswahl::BilderAnzeigen() {
    // Every place is read from its file at every step: a picture added or changed meanwhile shows.
    const QPixmap fallback = ui::readSymbolPicture(catalog_.fallback());
    for (int p = 0; p < SymbolCatalog::Places; ++p) {
        const QString file = catalog_.file(ErsteZeile * SymbolCatalog::Columns + p);
        places_[static_cast<size_t>(p)]->setPicture(file.isEmpty() ? fallback : ui::readSymbolPicture(file));
    }
    recolour();
}

void SymbolAuswahl::recolour() {
    for (int p = 0; p < SymbolCatalog::Places; ++p)
        places_[static_cast<size_t>(p)]->setMarked(catalog_.number(ErsteZeile * SymbolCatalog::Columns + p) ==
                                                   SymbolNr);
}

void SymbolAuswahl::Bild_Click(int place) {
    SymbolNr = catalog_.number(ErsteZeile * SymbolCatalog::Columns + place);
    recolour();
    commandOK_->setEnabled(true);
}

void SymbolAuswahl::CommandOK_Click() {
    SymbolErgebnis = 1;
    finish();
}

void SymbolAuswahl::CommandCancel_Click() {
    SymbolErgebnis = 0;
    finish();
}

} // namespace editors
