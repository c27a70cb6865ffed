#pragma once

#include <array>

// The sixteen measurement units the converter knows. The enumeration order is the order
// in which the preferred-measurement lookup searches the spelling lists.
enum class MeasurementUnit : int {
    Gallon,
    Quart,
    Pint,
    Cup,
    Tablespoon,
    Teaspoon,
    Ounce,
    Pound,
    Liter,
    Deciliter,
    Centiliter,
    Milliliter,
    Kilogram,
    Gram,
    Centimeter,
    Millimeter,
};

constexpr int MeasurementUnitCount = 16;

// Units of different families never convert into each other.
enum class MeasurementFamily { USVolume, MetricVolume, MetricWeight, Length, USWeight };

struct MeasurementUnitInfo {
    const char* singularKey; // the unit key of one ("cup")
    const char* pluralKey;   // the unit key of several ("cups")
    MeasurementFamily family;
    MeasurementUnit lowestUnit; // the lowest unit of the family
    float factorToLowest;       // how many lowest units make one of this unit
};

inline const MeasurementUnitInfo& measurementUnitInfo(MeasurementUnit unit) {
    static const std::array<MeasurementUnitInfo, MeasurementUnitCount> table = {{
        {"gallon", "gallons", MeasurementFamily::USVolume, MeasurementUnit::Teaspoon, 768.0f},
        {"quart", "quarts", MeasurementFamily::USVolume, MeasurementUnit::Teaspoon, 192.0f},
        {"pint", "pints", MeasurementFamily::USVolume, MeasurementUnit::Teaspoon, 96.0f},
        {"cup", "cups", MeasurementFamily::USVolume, MeasurementUnit::Teaspoon, 48.0f},
        {"tablespoon", "tablespoons", MeasurementFamily::USVolume, MeasurementUnit::Teaspoon, 3.0f},
        {"teaspoon", "teaspoons", MeasurementFamily::USVolume, MeasurementUnit::Teaspoon, 1.0f},
        {"ounce", "ounces", MeasurementFamily::USWeight, MeasurementUnit::Ounce, 1.0f},
        {"pound", "pounds", MeasurementFamily::USWeight, MeasurementUnit::Ounce, 16.0f},
        {"liter", "liters", MeasurementFamily::MetricVolume, MeasurementUnit::Milliliter, 1000.0f},
        {"deciliter", "deciliters", MeasurementFamily::MetricVolume, MeasurementUnit::Milliliter, 100.0f},
        {"centiliter", "centiliters", MeasurementFamily::MetricVolume, MeasurementUnit::Milliliter, 10.0f},
        {"milliliter", "milliliters", MeasurementFamily::MetricVolume, MeasurementUnit::Milliliter, 1.0f},
        {"kilogram", "kilograms", MeasurementFamily::MetricWeight, MeasurementUnit::Gram, 1000.0f},
        {"gram", "grams", MeasurementFamily::MetricWeight, MeasurementUnit::Gram, 1.0f},
        {"centimeter", "centimeters", MeasurementFamily::Length, MeasurementUnit::Millimeter, 10.0f},
        {"millimeter", "millimeters", MeasurementFamily::Length, MeasurementUnit::Millimeter, 1.0f},
    }};
    return table[static_cast<int>(unit)];
}

// The order in which both conversions (lowest compatible and nearest usable) look a
// measurement up: US weight comes last there.
inline const std::array<MeasurementUnit, MeasurementUnitCount>& conversionLookupOrder() {
    static const std::array<MeasurementUnit, MeasurementUnitCount> order = {
        MeasurementUnit::Gallon,     MeasurementUnit::Quart,      MeasurementUnit::Pint,
        MeasurementUnit::Cup,        MeasurementUnit::Tablespoon, MeasurementUnit::Teaspoon,
        MeasurementUnit::Liter,      MeasurementUnit::Deciliter,  MeasurementUnit::Centiliter,
        MeasurementUnit::Milliliter, MeasurementUnit::Kilogram,   MeasurementUnit::Gram,
        MeasurementUnit::Centimeter, MeasurementUnit::Millimeter, MeasurementUnit::Pound,
        MeasurementUnit::Ounce,
    };
    return order;
}
