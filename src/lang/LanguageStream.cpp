#include "lang/LanguageReader.h"

#include <QDataStream>
#include <QIODevice>

namespace lang {

namespace {
enum Record : quint8 { TableStart = 1, TableMissing = 2, Row = 3, End = 4 };
constexpr quint32 Magic = 0x564C4E47; // "VLNG"
constexpr int MaxColumns = 255;

QByteArray record(Record kind, const std::function<void(QDataStream&)>& body) {
    QByteArray payload;
    {
        QDataStream out(&payload, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_0);
        body(out);
    }
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << Magic << static_cast<quint8>(kind) << payload;
    return bytes;
}
} // namespace

QByteArray encodeTableStart(const QString& name, const QStringList& columns) {
    return record(TableStart, [&](QDataStream& out) { out << name << columns; });
}

QByteArray encodeTableMissing(const QString& name) {
    return record(TableMissing, [&](QDataStream& out) { out << name; });
}

QByteArray encodeRow(const QList<std::optional<QString>>& values) {
    return record(Row, [&](QDataStream& out) {
        out << static_cast<quint32>(values.size());
        for (const auto& v : values) {
            out << static_cast<bool>(v.has_value());
            if (v) out << *v;
        }
    });
}

QByteArray encodeEnd() {
    return record(End, [](QDataStream&) {});
}

RawLanguageTables decodeTables(const QByteArray& stream) {
    RawLanguageTables tables;
    RawTable* current = nullptr;
    QDataStream in(stream);
    in.setVersion(QDataStream::Qt_6_0);
    const auto tableNamed = [&](const QString& name) -> RawTable* {
        if (name.compare(QLatin1String("TidxFonts"), Qt::CaseInsensitive) == 0) return &tables.fonts;
        if (name.compare(QLatin1String("TidxFontClasses"), Qt::CaseInsensitive) == 0) return &tables.fontClasses;
        if (name.compare(QLatin1String("LookupLanguages"), Qt::CaseInsensitive) == 0) return &tables.languages;
        return nullptr;
    };
    while (!in.atEnd()) {
        quint32 magic = 0;
        quint8 kind = 0;
        QByteArray payload;
        in >> magic >> kind >> payload;
        if (in.status() != QDataStream::Ok || magic != Magic) break;
        QDataStream body(payload);
        body.setVersion(QDataStream::Qt_6_0);
        if (kind == TableStart) {
            // The column count is checked before anything is reserved for it: a damaged count
            // would otherwise ask for gigabytes at once.
            QString name;
            quint32 count = 0;
            body >> name >> count;
            if (body.status() != QDataStream::Ok || count > MaxColumns) break;
            QStringList columns;
            for (quint32 i = 0; i < count && body.status() == QDataStream::Ok; ++i) {
                QString column;
                body >> column;
                columns << column;
            }
            if (body.status() != QDataStream::Ok) break;
            current = tableNamed(name);
            if (current) {
                current->present = true;
                current->columns = columns;
                current->rows.clear();
            }
        } else if (kind == TableMissing) {
            current = nullptr;
        } else if (kind == Row) {
            quint32 count = 0;
            body >> count;
            if (body.status() != QDataStream::Ok || count > MaxColumns) break;
            QList<std::optional<QString>> values;
            for (quint32 i = 0; i < count; ++i) {
                bool present = false;
                body >> present;
                if (!present) {
                    values << std::nullopt;
                    continue;
                }
                QString value;
                body >> value;
                values << value;
            }
            if (body.status() != QDataStream::Ok) break;
            if (current) current->rows << values;
        } else if (kind == End) {
            tables.complete = true;
            break;
        } else {
            break;
        }
    }
    return tables;
}

} // namespace lang
