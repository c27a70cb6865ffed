#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>
#include <unordered_map>
#include <unordered_set>

// A fast hash for the short texts of measurement lookups (unit spellings, measurement
// words). Qt's seeded string hash costs a few hundred nanoseconds per text, which the
// per-line and per-call lookups of the parser and the converter cannot afford; these
// sets hold the user's own vocabulary, so a fixed (unseeded) hash is acceptable.
struct TextHash {
    std::size_t operator()(QStringView text) const noexcept {
        std::size_t hash = 1469598103934665603ull;
        for (QChar c : text) {
            hash ^= c.unicode();
            hash *= 1099511628211ull;
        }
        return hash;
    }
    std::size_t operator()(const QString& text) const noexcept { return (*this)(QStringView(text)); }
};

using TextSet = std::unordered_set<QString, TextHash>;
template <class Value> using TextMap = std::unordered_map<QString, Value, TextHash>;
