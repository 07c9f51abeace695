#include "windowgeometry.h"

#include <QSettings>
#include <QWidget>

namespace WindowGeometry {

void Restore(QWidget* window, const QString& key)
{
    QSettings settings;
    window->restoreGeometry(settings.value(key).toByteArray());
}

void Save(const QWidget* window, const QString& key)
{
    QSettings settings;
    settings.setValue(key, window->saveGeometry());
}

}  // namespace WindowGeometry
