// The device list of the "&Devices" page: a list view with the columns
// "Vendors", "Name" and "Adapter", one row per listed device.
#pragma once

#include <QTreeWidget>

#include "source/settings/chplist.h"

class clVndrChpWnd : public QTreeWidget {
    Q_OBJECT

public:
    explicit clVndrChpWnd(QWidget* parent);

    // Shows rows (in their clVndrComp order) and selects the row of chipId
    // when it is among them.
    void Fill(const std::vector<const clChpRow*>& rows, unsigned short chipId);
    // The chip id of the selected row; 0 when none is selected.
    unsigned short SelectedChip() const;
    // Selects the row of chipId; false when it is not listed.
    bool Select(unsigned short chipId);

signals:
    // The user chose another row (0: none is chosen).
    void chipChosen(unsigned short chipId);
};
