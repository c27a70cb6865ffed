#include "CardTemplate.h"

// Placeholder until the card generator lands.
std::optional<CardTemplate> CardTemplate::read(const QString&, bool, bool) {
    return std::nullopt;
}

CardTemplate CardTemplate::fromText(const QString& path, const QString& text, bool, bool) {
    CardTemplate result;
    result.path = path;
    result.text = text;
    return result;
}

std::optional<QString> CardTemplate::markerValue(const QString&, const QString&) {
    return std::nullopt;
}

int CardTemplate::integerMarker(const QString&, const QString&, int fallback) {
    return fallback;
}
