#include "store/Event.h"

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

} // namespace store
