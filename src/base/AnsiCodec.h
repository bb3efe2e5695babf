#pragma once
// Conversion between the program's Unicode strings and 8-bit text in a Windows code page, as the
// settings file, the wire and the log use it.

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

namespace base {

class AnsiCodec {
public:
    // The code page number of UTF-8, used for settings files that carry a byte-order mark.
    static constexpr int Utf8 = 65001;

    explicit AnsiCodec(int codePage);

    // The workstation's ANSI code page (from the locale environment), created once.
    static const AnsiCodec& workstation();

    int codePage() const { return codePage_; }

    // Characters the code page cannot hold become '?', as Windows' conversion does.
    QByteArray encode(QStringView text) const;
    QString decode(QByteArrayView bytes) const;
    // encode(text) appended to `out`, without a temporary for ASCII text.
    void appendEncoded(QByteArray& out, QStringView text) const;

private:
    int codePage_;
};

} // namespace base
