#pragma once

#include <QString>

class QPagedPaintDevice;

// The printed grocery list: US Letter (612 by 792 points), portrait, margins left 0,
// right 0, top 20 and bottom 20 points, the page 612 points wide. The same layout serves
// a QPdfWriter (the command-line tool, the mailed PDF) and a QPrinter (the print panel).

// Sets the device's page layout and paints the HTML page onto it, page after page.
// False (with the reason in *error) when the device cannot be painted on.
bool layOutGroceryPage(const QString& html, QPagedPaintDevice& device, QString* error = nullptr);

// Writes the page as a PDF file. False (with the reason in *error) on failure.
bool writeGroceryPagePdf(const QString& html, const QString& path, QString* error = nullptr);
