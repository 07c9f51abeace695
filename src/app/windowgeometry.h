#pragma once

#include <QString>

class QWidget;

// Every window keeps its place and size in the settings store under "<Class>/geometry".
namespace WindowGeometry {

void Restore(QWidget* window, const QString& key);
void Save(const QWidget* window, const QString& key);

}  // namespace WindowGeometry
