#pragma once

#include <QDialog>

class QTableWidget;

// A fixed chart of bar measures with their sizes in ounces and metric units. Opened without being
// modal.
class frmMeasurement : public QDialog
{
    Q_OBJECT

public:
    explicit frmMeasurement(QWidget* parent = nullptr);

private:
    QTableWidget* MSFlexGrid1;
};
