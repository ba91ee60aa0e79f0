#include "app/web_page.h"

#include <QProcess>

namespace telvane {

void OpenWebPage(const QUrl& url, QObject* context, std::function<void()> onFailure, const QString& opener) {
  auto* process = new QProcess(context);
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  QObject::connect(process, &QProcess::errorOccurred, process, [process, onFailure](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;  // an end after a start is reported by finished
    onFailure();
    process->deleteLater();
  });
  QObject::connect(process, &QProcess::finished, process,
                   [process, onFailure](int exitCode, QProcess::ExitStatus status) {
                     if (status != QProcess::NormalExit || exitCode != 0) onFailure();
                     process->deleteLater();
                   });
  process->start(opener, {url.toString()});
}

}  // namespace telvane
