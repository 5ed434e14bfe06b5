#include "source/gui/settings/vndrchpwnd.h"

#include <QHeaderView>

#include "source/gui/settings/setids.h"

clVndrChpWnd::clVndrChpWnd(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName("clVndrChpWnd");
    setColumnCount(3);
    setHeaderLabels({"Vendors", "Name", "Adapter"});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // clVndrComp gives the order; a click on a header must not change it.
    setSortingEnabled(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(true);
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] { emit chipChosen(SelectedChip()); });
}

void clVndrChpWnd::Fill(const std::vector<const clChpRow*>& rows, unsigned short chipId)
{
    const QSignalBlocker quiet(this);
    clear();
    for (const clChpRow* row : rows) {
        auto* item = new QTreeWidgetItem(this, {QString::fromStdString(row->vendor), QString::fromStdString(row->name),
                                                QString::fromStdString(row->adapter)});
        item->setData(0, Qt::UserRole, row->chipId);
    }
    // Vendor and name as wide as their longest text, with room to breathe.
    for (int column = 0; column < 2; ++column) {
        resizeColumnToContents(column);
        setColumnWidth(column, columnWidth(column) + fontMetrics().averageCharWidth() * 3);
    }
    Select(chipId);
}

unsigned short clVndrChpWnd::SelectedChip() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? 0 : static_cast<unsigned short>(selected.front()->data(0, Qt::UserRole).toUInt());
}

bool clVndrChpWnd::Select(unsigned short chipId)
{
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        if (item->data(0, Qt::UserRole).toUInt() == chipId && chipId != 0) {
            setCurrentItem(item);
            scrollToItem(item);
            return true;
        }
    }
    clearSelection();
    return false;
}
