#pragma once

#include <QString>

// Keeps the display awake while the user reads a recipe in the full-screen view: the
// desktop's screensaver and power management are asked not to blank the screen until
// release(). Both calls may be repeated: a second inhibit() while inhibiting asks nothing
// more, a release() with nothing held does nothing. A keeper that is destroyed releases
// what it holds.
class ScreenKeeper {
public:
    virtual ~ScreenKeeper() = default;
    virtual void inhibit(const QString& reason) = 0;
    virtual void release() = 0;
    // Whether the screen is meant to be kept awake (from inhibit() until release()).
    virtual bool isInhibiting() const = 0;
};
