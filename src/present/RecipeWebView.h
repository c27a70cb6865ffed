#pragma once

#include <QString>
#include <QUrl>

// What the recipe page renderer needs from the view that shows the page. The GUI plugs a
// web view in (page scripts off, no remote loads); tests plug an offscreen page or a
// recorder.
class RecipeWebView {
public:
    virtual ~RecipeWebView() = default;

    // Loads a page from a string with no base address (relative references do not resolve).
    virtual void loadHTMLString(const QString& html) = 0;
    // Loads a local file; ignoreCache: read it from disk again even if the address is the
    // one already shown.
    virtual void loadFileURL(const QUrl& url, bool ignoreCache) = 0;
    // Reloads the page shown, without rendering it again.
    virtual void reload() = 0;
    virtual void setTextSizeMultiplier(double multiplier) = 0;
    // The height of the view's container, the base of the page's minimum height.
    virtual int containerHeight() const = 0;
};
