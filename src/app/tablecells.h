#pragma once

#include <QString>
#include <QTableWidget>
#include <QTableWidgetItem>

// The main window's tables get an item in every cell when they are built; a cell
// without one is left alone rather than written through a null item.
inline void SetCellText(QTableWidget* table, int row, int column, const QString& text)
{
    if (QTableWidgetItem* item = table->item(row, column))
        item->setText(text);
}
