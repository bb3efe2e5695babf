#pragma once
// Conversion between the program's Unicode strings and 8-bit text in a Windows code page, as the
// settings file, the wire and the log use it.

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

class AnsiCodec {
public:
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
