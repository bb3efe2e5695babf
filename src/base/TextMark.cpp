// The byte-order marks of settings files, and the codec of a file's text.
#include "base/Profile.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace base {

namespace profile {

MarkedText unmark(const QByteArray& fileBytes) {
    if (fileBytes.startsWith("\xEF\xBB\xBF")) return {TextMark::Utf8, fileBytes.mid(3)};
    const bool little = fileBytes.startsWith("\xFF\xFE");
    if (little || fileBytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        const QString text = decoder.decode(QByteArrayView(fileBytes).sliced(2));
        return {little ? TextMark::Utf16LE : TextMark::Utf16BE, text.toUtf8()};
    }
    return {TextMark::None, fileBytes};
}

QByteArray remark(const MarkedText& text) {
    switch (text.mark) {
    case TextMark::None: return text.text;
    case TextMark::Utf8: return QByteArray("\xEF\xBB\xBF") + text.text;
    case TextMark::Utf16LE:
    case TextMark::Utf16BE: {
        const bool little = text.mark == TextMark::Utf16LE;
        QStringEncoder encoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return QByteArray(little ? "\xFF\xFE" : "\xFE\xFF") + QByteArray(encoder.encode(QString::fromUtf8(text.text)));
    }
    }
    return text.text;
}

const AnsiCodec& codecFor(TextMark mark) {
    static const AnsiCodec utf8(AnsiCodec::Utf8);
    return mark == TextMark::None ? AnsiCodec::workstation() : utf8;
}

} // namespace profile

} // namespace base
