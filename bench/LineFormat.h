#pragma once
// The fixed-width messages of the hub benchmark: every report's status text is "r" and eight
// digits, so every line-data message has the same length and slot n's text sits at a fixed offset.

#include <cstdio>
#include <string>
#include <vector>

namespace bench {

constexpr int Slots = 64;
constexpr int SeqDigits = 8;

inline std::string report(int slot, int status, unsigned seq) {
    char buffer[160];
    std::snprintf(buffer, sizeof(buffer),
                  "$$Anfang$$$$HierMaschinenDaten$$Status%d=%d;Text%d=r%08u;CodePage%d=1252;LcId%d=1033;$$Ende$$", slot,
                  status, slot, seq, slot, slot);
    return buffer;
}

// Offset of the eight sequence digits inside report(slot, ...).
inline size_t reportSeqOffset(int slot) {
    const std::string r = report(slot, 0, 0);
    return r.find("=r", r.find("Text")) + 2;
}

// The line-data message for 64 enabled slots that all reported once: its bytes with every
// sequence at zero, and the offset of slot n's eight digits.
struct LineData {
    std::string bytes;
    std::vector<size_t> seqOffset;
};

inline LineData lineData() {
    LineData d;
    d.bytes = "$$Anfang$$$$HierLinienDaten$$";
    for (int n = 0; n < Slots; ++n) {
        char buffer[128];
        std::snprintf(buffer, sizeof(buffer), "Status%d=1;Text%d=", n, n);
        d.bytes += buffer;
        d.seqOffset.push_back(d.bytes.size() + 1);
        std::snprintf(buffer, sizeof(buffer), "r%08u;CodePage%d=1252;LcId%d=1033;", 0u, n, n);
        d.bytes += buffer;
    }
    d.bytes += "$$Ende$$";
    return d;
}

} // namespace bench
