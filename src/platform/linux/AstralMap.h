#pragma once

#include <QtGlobal>

#include <algorithm>
#include <utility>
#include <vector>

// The code-point offsets of the characters that take two UTF-16 units (those
// outside the Basic Multilingual Plane), in order, and the text's length in
// code points: all it takes to turn a toolkit's offsets into UTF-16 units.
struct AstralMap {
    qint64 count = 0;
    std::vector<qint64> astral;

    qint64 unitCount() const { return count + qint64(astral.size()); }
    // The UTF-16 offset at which code point `codePoint` starts.
    qint64 unitsBefore(qint64 codePoint) const {
        return codePoint + (std::lower_bound(astral.begin(), astral.end(), codePoint) - astral.begin());
    }
    // The code point whose units hold UTF-16 offset `units`, and whether the
    // offset falls between the two halves of a surrogate pair.
    std::pair<qint64, bool> codePointAt(qint64 units) const {
        // Pairs that end at or before `units`: astral[i] + i + 2 <= units, which grows with i.
        qint64 low = 0, high = qint64(astral.size());
        while (low < high) {
            const qint64 middle = (low + high) / 2;
            if (astral[size_t(middle)] + middle + 2 <= units)
                low = middle + 1;
            else
                high = middle;
        }
        if (low < qint64(astral.size()) && astral[size_t(low)] + low + 1 == units)
            return {astral[size_t(low)], true};
        return {units - low, false};
    }
    // Records the astral characters of `utf8` (a four-byte sequence each), the
    // text's first code point being at offset `from`.
    void add(const char* utf8, qint64 from) {
        qint64 codePoint = from;
        for (const unsigned char* c = reinterpret_cast<const unsigned char*>(utf8); *c; ++c) {
            if ((*c & 0xC0) == 0x80)
                continue;
            if (*c >= 0xF0)
                astral.push_back(codePoint);
            ++codePoint;
        }
    }
};
