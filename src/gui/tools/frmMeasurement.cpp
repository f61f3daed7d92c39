#include "gui/tools/frmMeasurement.h"
#include "gui/common/Twips.h"

#include "gui/appearance/ColorSchemes.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <iterator>

namespace {

// These sizes are the chart's own texts; they are not derived from the conversion factors.
constexpr const char* Chart[21][3] = {
    {"Dash", "1/32 oz", ".9 ml"},
    {"Teaspoon", "1/8 oz", "3.7 ml"},
    {"Tablespoon", "3/8 oz", "11.1 ml"},
    {"Pony", "1 oz", "29.5 ml"},
    {"Wineglass", "1.7 oz", "50 ml"},
    {"Split", "2 oz", "59.2 ml"},
    {"Miniature", "4 oz", "119 ml"},
    {"Quarter cup", "2 oz", "59.2 ml"},
    {"Half cup", "4 oz", "119 ml"},
    {"One cup", "8 oz", "237 ml"},
    {"Half pint", "8 oz", "237 ml"},
    {"Scoop", "6.8 oz", "200 ml"},
    {"Tenth", "12.7 oz", "375 ml"},
    {"Pint", "16.9 oz", "500 ml"},
    {"Fifth", "25.4 oz", "750 ml"},
    {"Quart", "33.8 oz", "1 liter"},
    {"Imperial Quart", "38.4 oz", "1.137 liter"},
    {"Magnum", "50.7 oz", "1.5 liter"},
    {"Half gallon", "59.2 oz", "1.75 liter"},
    {"Double Magnum", "101.4 oz", "3.1 liter"},
    {"Gallon", "128 oz", "3.789 liter"},
};

} // namespace

frmMeasurement::frmMeasurement(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMeasurement"));
    setWindowTitle(QStringLiteral("Measurement Chart"));

    constexpr int rows = int(std::size(Chart));
    MSFlexGrid1 = new QTableWidget(rows, 3, this);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setHorizontalHeaderLabels({QString(), QStringLiteral("Standard"), QStringLiteral("Metric")});
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(MSFlexGrid1->fontMetrics().height() + 8);
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->horizontalHeader()->setHighlightSections(false);
    MSFlexGrid1->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < 3; ++column)
            MSFlexGrid1->setItem(row, column, new QTableWidgetItem(QString::fromUtf8(Chart[row][column])));
    }
    // 2000 twips (1/1440 inch) for the measure names.
    MSFlexGrid1->setColumnWidth(0, twipsToPixels(this, 2000));
    // The size columns take their texts' width with some air, as the chart was laid out.
    for (int column : {1, 2}) {
        MSFlexGrid1->resizeColumnToContents(column);
        MSFlexGrid1->setColumnWidth(column, MSFlexGrid1->columnWidth(column) + 16);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MSFlexGrid1);

    // Big enough to show the whole chart without scrolling on a usual screen.
    const int width = MSFlexGrid1->columnWidth(0) + MSFlexGrid1->columnWidth(1) +
                      MSFlexGrid1->columnWidth(2) + 2 * MSFlexGrid1->frameWidth() +
                      MSFlexGrid1->verticalScrollBar()->sizeHint().width();
    const int height = MSFlexGrid1->horizontalHeader()->sizeHint().height() +
                       21 * MSFlexGrid1->verticalHeader()->defaultSectionSize() +
                       2 * MSFlexGrid1->frameWidth();
    MSFlexGrid1->setMinimumWidth(width);
    const QMargins margins = layout->contentsMargins();
    resize(width + margins.left() + margins.right(), qMin(height + margins.top() + margins.bottom(), 720));

    ColorSchemes::applyWindow(this);
    ColorSchemes::applyInput(MSFlexGrid1);
}
