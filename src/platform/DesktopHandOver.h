#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QObject;

// Hands a document or an address to the desktop's program for it, through the desktop's own
// helpers (xdg-open, xdg-email). Such a helper may return at once or run as long as the
// program it starts, so it is never waited for; but when no program takes the document it
// ends in failure ("no method available"), which must reach the user instead of passing
// unseen. `failed` is called then, on the main thread, with the helper's last message.
namespace desktophandover {

using Failed = std::function<void(const QString& why)>;

// Starts program with arguments as a child of owner (a helper still running when owner goes
// is stopped; what it started stays). False, with *error set, when it cannot start at all.
// `failed` is never called after owner is gone.
bool startHelper(QObject* owner, const QString& program, const QStringList& arguments, Failed failed,
                 QString* error);

// Opens url (a local file or an address such as mailto:) with the desktop's program for it:
// through xdg-open where the desktop has it, otherwise through Qt's own way, which does not
// learn of a later failure.
bool openUrl(QObject* owner, const QUrl& url, Failed failed, QString* error);

} // namespace desktophandover
