#pragma once
// Opens a web page in the user's browser through the desktop's opener
// (xdg-open). The opener is started without waiting; when it cannot start
// or ends with a failure (no browser installed), `onFailure` runs, so the
// user hears why nothing appeared.

#include <QString>
#include <QUrl>
#include <functional>

class QObject;

namespace telvane {

// `opener` is the program given the address ("xdg-open" on a desktop).
void OpenWebPage(const QUrl& url, QObject* context, std::function<void()> onFailure, const QString& opener);

}  // namespace telvane
