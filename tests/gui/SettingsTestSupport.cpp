#include "SettingsTestSupport.h"

#include "core/Platform.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTimer>

namespace SettingsTestSupport {

QString IniText()
{
    QFile file{QString::fromStdString(CPlatform::IniPath("zezodi.ini"))};
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString{};
}

void SetIniText(const QString& text)
{
    QFile file{QString::fromStdString(CPlatform::IniPath("zezodi.ini"))};
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(text.toUtf8());
    }
}

void OnNextModal(std::function<void(QDialog&)> action, bool& seen)
{
    seen = false;
    auto* poller = new QTimer;
    poller->setInterval(10);
    int ticks{0};
    QObject::connect(poller, &QTimer::timeout, poller,
                     [poller, action = std::move(action), &seen, ticks]() mutable {
                         auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                         if (modal == nullptr && ++ticks < 1000) {
                             return;
                         }
                         poller->stop();
                         poller->deleteLater();
                         if (modal != nullptr) {
                             seen = true;
                             action(*modal);
                         }
                     });
    poller->start();
}

} // namespace SettingsTestSupport
