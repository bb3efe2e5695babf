#include "store/Event.h"
#include "store/Version.h"

namespace store {

const char* kindName(EventKind kind) {
    switch (kind) {
    case EventKind::Status: return "status";
    case EventKind::Connection: return "connection";
    case EventKind::Station: return "station";
    case EventKind::Settings: return "settings";
    }
    return "station";
}

qint64 Event::bytes() const {
    return static_cast<qint64>(sizeof(Event)) +
           2 * static_cast<qint64>(machine.size() + groupName.size() + text.size() + detail.size());
}

qint64 Version::bytes() const {
    qint64 n =
        static_cast<qint64>(sizeof(Version)) + content.size() + 2 * (user.size() + origin.size()) + sha256.size();
    for (const KeyChange& c : changes)
        n += static_cast<qint64>(sizeof(KeyChange)) +
             2 * (c.section.size() + c.key.size() + c.oldValue.size() + c.newValue.size());
    return n;
}

} // namespace store
