#pragma once
// The protocol's commands and payloads. A message is a command ("$$...$$" at its very start)
// followed by entries key=value; with nothing between entries and no escaping.

#include "base/AnsiCodec.h"
#include "base/LineLayout.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace logfile {
class Log;
}

namespace net {
class LineObserver;

namespace payload {

inline constexpr QLatin1String Leben{"$$Leben$$"};
inline constexpr QLatin1String LiefereLinienLayout{"$$LiefereLinienLayout$$"};
inline constexpr QLatin1String HierLinienLayout{"$$HierLinienLayout$$"};
inline constexpr QLatin1String LiefereLinienDaten{"$$LiefereLinienDaten$$"};
inline constexpr QLatin1String HierLinienDaten{"$$HierLinienDaten$$"};
inline constexpr QLatin1String LiefereDeineDaten{"$$LiefereDeineDaten$$"};
inline constexpr QLatin1String HierMaschinenDaten{"$$HierMaschinenDaten$$"};

// "$$HierLinienLayout$$" entries: code page, locale, the 32 group names, then per enabled slot
// name, address, number, remote control, symbol, PLC status, group and the six visualisation groups.
QString layoutEntries(const base::LineLayout& layout, int32_t codePage, int32_t lcId);

// "$$HierLinienDaten$$" entries: per enabled slot its status, status text, code page and locale,
// as the bytes that go on the wire (texts in `codec`'s code page). Every report sends them to every
// server, so they are built without an intermediate string.
QByteArray lineDataBytes(const base::LineLayout& layout, const base::AnsiCodec& codec);

// The framed "$$HierLinienDaten$$" message with lineDataBytes' entries, kept from one report to the
// next. A report changes one slot, so a slot's entries are encoded again only when its data, its
// Enabled flag or the code page changed, and the message is put together again (one copy of each
// slot's bytes) only when some slot's entries changed. The bytes are always those of
// frame(HierLinienDaten + lineDataBytes(layout, codec)).
class LineDataFrame {
public:
    const QByteArray& frame(const base::LineLayout& layout, const base::AnsiCodec& codec);

private:
    struct Slot {
        bool valid = false; // entries were made for the values below
        bool enabled = false;
        base::MachineData data;
        QByteArray entries;
    };
    std::array<Slot, base::MachineSlots> slots_;
    int codePage_ = -1; // the code page the entries were encoded in
    bool built_ = false;
    QByteArray frame_;
};

// The value of the entry whose key is exactly `key`: the text between its "=" and the next ";".
// A key matches only at the start of an entry (the text's start or right after ";") and only
// whole (followed by "="), so "Status3" never matches inside "Status31" or inside a value.
// nullopt when there is no such entry or its value has no ";" after it.
std::optional<QStringView> WerteAufbroeseln(QStringView key, QStringView text);

// Reads a "$$HierMaschinenDaten$$" payload into MachineDataNow and MachineDataShown. Every entry
// whose key starts with "Status" names a slot; a slot outside 0..63, one whose four entries are not
// all there, or whose numbers do not fit is skipped. Returns the number of slots taken. With a
// log, every value lookup writes its debug lines "WerteAufbroeseln Start" and "End".
// `observer` hears of every slot taken, with its data before and after.
int readMachineData(QStringView payload, base::LineLayout& layout, logfile::Log* trace = nullptr,
                    LineObserver* observer = nullptr);

} // namespace payload

} // namespace net
