#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

// A card template of a printing theme's format ("Print Templates/<format>/Template.html")
// with the settings it carries as text markers ("pageWidth:432*/" in a style-sheet
// comment): a marker's value runs from its key to the next "*".
struct CardTemplate {
    QString path;     // the template file
    QString text;     // its text
    QString basePath; // the theme folder (the path without its last three components), spaces as "%20"

    int maxHeight = 0; // "maxHeightBeforeCreatingNewPage:", in the engine's CSS pixels
    int pageHeight = 0;
    int pageWidth = 0;
    int minHeightOffsetValue = 0;
    int fontSize = 10;
    QStringList printOrder;                         // section keys, unknown ones dropped
    QList<QPair<QString, QString>> printRulesArray; // (section, the section it comes after)
    QString statusBarNote;                          // the "statusBarNote:" value as written

    // True when the card size and the content limit are all given (not zero).
    bool isUsable() const { return maxHeight > 0 && pageWidth > 0 && pageHeight > 0; }

    // Reads the template at path. metricUnits turns every card not 432 points wide (the
    // 4 by 6 inch formats) into an A4 page of 595 by 841; printDescription keeps or drops
    // "description" from the print order. None when the file cannot be read.
    static std::optional<CardTemplate> read(const QString& path, bool metricUnits, bool printDescription);
    // The same from a text already read.
    static CardTemplate fromText(const QString& path, const QString& text, bool metricUnits,
                                 bool printDescription);
    // The value of marker in text (up to the next "*"), or none when the marker is absent.
    static std::optional<QString> markerValue(const QString& text, const QString& marker);
    // The leading decimal integer of a marker's value; fallback when absent or not a number.
    static int integerMarker(const QString& text, const QString& marker, int fallback);
    // The template of a theme's format: the themes root (resourcesThemes, then
    // developmentThemes) whose "<theme>/Print Templates/<format>" exists, then
    // "AlternateTemplate.html" when alternate, else "Template.html". Empty when neither root
    // has the format, or when a name is not a plain folder name.
    static QString templatePath(const QString& resourcesThemes, const QString& developmentThemes,
                                const QString& theme, const QString& format, bool alternate);
    // The formats folder of a theme ("Print Templates"), from the first root that has it.
    static QString formatsFolder(const QString& resourcesThemes, const QString& developmentThemes,
                                 const QString& theme);
    // The note shown for a format: the three known values localized (US Letter as A4 where
    // paper is metric), any other value as written, empty without the marker.
    static QString formatNote(const QString& statusBarNote, bool metricUnits);
};
