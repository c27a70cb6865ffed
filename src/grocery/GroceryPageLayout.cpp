#include "grocery/GroceryPageLayout.h"

#include <QPagedPaintDevice>

bool layOutGroceryPage(const QString&, QPagedPaintDevice&, QString*) {
    return false;
}

bool writeGroceryPagePdf(const QString&, const QString&, QString*) {
    return false;
}
