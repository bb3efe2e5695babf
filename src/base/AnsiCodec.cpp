#include "base/AnsiCodec.h"

#include "platform/Platform.h"

namespace base {

namespace {
const char* icuName(int codePage) {
    switch (codePage) {
    case 874: return "windows-874";
    case 932: return "windows-31j";
    case 936: return "GBK";
    case 949: return "windows-949";
    case 950: return "windows-950";
    case 1250: return "windows-1250";
    case 1251: return "windows-1251";
    case 1253: return "windows-1253";
    case 1254: return "windows-1254";
    case 1255: return "windows-1255";
    case 1256: return "windows-1256";
    case 1257: return "windows-1257";
    case 1258: return "windows-1258";
    case AnsiCodec::Utf8: return "UTF-8";
    default: return "windows-1252";
    }
}

bool isAscii(QByteArrayView bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

bool isAscii(QStringView text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80) return false;
    return true;
}
} // namespace

AnsiCodec::AnsiCodec(int codePage) : codePage_(codePage) {
    if (!QStringEncoder(icuName(codePage)).isValid() || !QStringDecoder(icuName(codePage)).isValid()) codePage_ = 1252;
}

const AnsiCodec& AnsiCodec::workstation() {
    static const AnsiCodec codec(platform::ansiCodePage());
    return codec;
}

QByteArray AnsiCodec::encode(QStringView text) const {
    // Every supported code page is a superset of ASCII: pure ASCII needs no converter.
    if (isAscii(text)) return text.toLatin1();
    QStringEncoder encoder(icuName(codePage_), QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.hasError()) return bytes;
    // Encode character by character so that only the unrepresentable ones become '?'. A
    // converter that met an error stays in error, so each character gets a fresh one.
    bytes.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        QStringEncoder one(icuName(codePage_), QStringConverter::Flag::Stateless);
        const QByteArray encoded = one.encode(text.mid(i, len));
        bytes += one.hasError() ? QByteArray("?") : encoded;
        i += len - 1;
    }
    return bytes;
}

void AnsiCodec::appendEncoded(QByteArray& out, QStringView text) const {
    if (!isAscii(text)) {
        out.append(encode(text));
        return;
    }
    const qsizetype old = out.size();
    out.resize(old + text.size());
    char* p = out.data() + old;
    for (QChar c : text) *p++ = static_cast<char>(c.unicode());
}

QString AnsiCodec::decode(QByteArrayView bytes) const {
    if (isAscii(bytes)) return QString::fromLatin1(bytes);
    QStringDecoder decoder(icuName(codePage_), QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

} // namespace base
