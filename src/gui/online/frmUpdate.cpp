#include "gui/online/frmUpdate.h"

#include "gui/appearance/ColorSchemes.h"
#include "gui/common/MessageBox.h"
#include "gui/common/Twips.h"
#include "core/exchange/OnlineSettings.h"
#include "core/exchange/UpdateRun.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

enum Column
{
    StateColumn,
    DateColumn,
    CountColumn
};

QString noConnectionText()
{
    return QStringList{QStringLiteral("This may have occured for a couple of reasons: "),
                       QStringLiteral("* You are not connected to the Internet"),
                       QStringLiteral("* We may be having technical difficulties"), QString(),
                       QStringLiteral("Please verify your Internet connection and try again later.")}
        .join(QLatin1Char('\n'));
}

void setColours(QWidget* w, const QColor& background, const QColor& text)
{
    ColorSchemes::setRoles(w, {{QPalette::Window, background},
                               {QPalette::Base, background},
                               {QPalette::WindowText, text},
                               {QPalette::Text, text}});
}

} // namespace

frmUpdate::frmUpdate(QWidget* parent, std::function<void()> reloadDrinks, std::function<void()> unloadForms)
    : QDialog(parent), m_reloadDrinks(std::move(reloadDrinks)), m_unloadForms(std::move(unloadForms))
{
    setObjectName(QStringLiteral("frmUpdate"));
    setWindowTitle(QStringLiteral("Quaffhaus Update"));
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    MSFlexGrid1 = new QTableWidget(0, 3, this);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setHorizontalHeaderLabels(
        {QStringLiteral("Status"), QStringLiteral("Release Date"), QStringLiteral("Drinks")});
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->setSelectionMode(QAbstractItemView::NoSelection);
    MSFlexGrid1->setFocusPolicy(Qt::NoFocus);
    MSFlexGrid1->horizontalHeader()->setHighlightSections(false);
    MSFlexGrid1->horizontalHeader()->setStretchLastSection(false);
    MSFlexGrid1->setColumnWidth(StateColumn, twipsToPixels(this, 2750));
    MSFlexGrid1->setColumnWidth(DateColumn, twipsToPixels(this, 2000));
    MSFlexGrid1->setColumnWidth(CountColumn, twipsToPixels(this, 700));

    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    m_panel = new QLabel(StatusBar1);
    m_panel->setObjectName(QStringLiteral("Panel1"));
    StatusBar1->addWidget(m_panel, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOk);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MSFlexGrid1, 1);
    layout->addLayout(buttons);
    layout->addWidget(StatusBar1);
    layout->setContentsMargins(9, 9, 9, 0);

    const int gridWidth = MSFlexGrid1->columnWidth(StateColumn) + MSFlexGrid1->columnWidth(DateColumn) +
                          MSFlexGrid1->columnWidth(CountColumn) + 2 * MSFlexGrid1->frameWidth() + 20;
    MSFlexGrid1->setMinimumWidth(gridWidth);
    resize(gridWidth + 18, 280);

    const ColorSchemes::Scheme& scheme = ColorSchemes::current();
    ColorSchemes::applyWindow(this, scheme);
    for (QWidget* child : findChildren<QWidget*>())
        setColours(child, scheme.Background, scheme.Text);
    ColorSchemes::setRoles(cmdOk, {{QPalette::Button, scheme.Background}});
    setColours(MSFlexGrid1, scheme.Background, scheme.Text);

    m_run = new Online::UpdateRun(OnlineSettings::ServiceRoot(), OnlineSettings::RequestTimeoutMs(), this);
    m_run->setNewerVersionQuestion([this](const QString&) {
        return MessageBox::question(this, QStringLiteral("New version available"),
                                    QStringLiteral("There is a newer version of ") + OnlineSettings::ProgramTitle() +
                                        QStringLiteral(" available would you like to download it?"),
                                    QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    });
    connect(m_run, &Online::UpdateRun::statusChanged, m_panel, &QLabel::setText);
    connect(m_run, &Online::UpdateRun::connectionFailed, this, [this] {
        MessageBox::show(this, QMessageBox::Warning,
                         OnlineSettings::ProgramTitle() + QStringLiteral(" unable to connect with the drink database"),
                         noConnectionText(), QMessageBox::Ok);
        QDialog::reject();
    });
    connect(m_run, &Online::UpdateRun::newerVersionChosen, this, [this](const QUrl& page) {
        QDesktopServices::openUrl(page);
        if (m_unloadForms)
            m_unloadForms();
        else
            QDialog::reject();
    });
    connect(m_run, &Online::UpdateRun::indexUnavailable, this, [this] {
        MessageBox::show(this, QMessageBox::Warning, QStringLiteral("There was a problem downloading the update file"),
                         QStringLiteral("Please try again.  If you continue to have problems please contact ") +
                             OnlineSettings::CompanyName() + QStringLiteral(" Support at ") +
                             OnlineSettings::SupportAddress() + QStringLiteral("."),
                         QMessageBox::Ok | QMessageBox::Cancel);
    });
    connect(m_run, &Online::UpdateRun::indexUnreadable, this, [this](const QString& reason) {
        MessageBox::show(this, QMessageBox::Warning, QStringLiteral("There was a problem downloading the update file"),
                         QStringLiteral("The list of updates from ") + OnlineSettings::CompanyName() +
                             QStringLiteral(" cannot be read: ") + reason,
                         QMessageBox::Ok);
    });
    connect(m_run, &Online::UpdateRun::entriesSkipped, this, [this](const QStringList& problems) {
        MessageBox::warning(this, QStringLiteral("Some updates were skipped"),
                            QStringLiteral("These entries of the list of updates were skipped:\n\n") +
                                problems.join(QLatin1Char('\n')));
    });
    connect(m_run, &Online::UpdateRun::incomplete, this, [this](const QStringList& failures) {
        MessageBox::warning(this, QStringLiteral("The drink update is not complete"),
                            QStringLiteral("These drink updates could not be added:\n\n") +
                                failures.join(QLatin1Char('\n')) +
                                QStringLiteral("\n\nThe next check for updates will ask for them again."));
    });
    connect(m_run, &Online::UpdateRun::documentsRefused, this, [this](const QStringList& refusals) {
        MessageBox::warning(this, QStringLiteral("Some drink updates cannot be read"),
                            QStringLiteral("These drink updates cannot be read and were passed over:\n\n") +
                                refusals.join(QLatin1Char('\n')) +
                                QStringLiteral("\n\nPlease tell ") + OnlineSettings::CompanyName() +
                                QStringLiteral(" Support at ") + OnlineSettings::SupportAddress() + QStringLiteral("."));
    });
    connect(m_run, &Online::UpdateRun::itemsQueued, this, &frmUpdate::showItems);
    connect(m_run, &Online::UpdateRun::itemChanged, this, &frmUpdate::showItem);
    connect(m_run, &Online::UpdateRun::finished, this, [this] {
        cmdOk->setEnabled(true);
        Q_EMIT runFinished();
    });
    connect(cmdOk, &QPushButton::clicked, this, &frmUpdate::cmdOK_Click);
}

frmUpdate::~frmUpdate()
{
    // The run is a child and ends (removing its files) with the window; the window hears no more.
    m_run->disconnect(this);
}

QString frmUpdate::statusText() const
{
    return m_panel->text();
}

bool frmUpdate::updatesFound() const
{
    return m_run->updatesFound();
}

bool frmUpdate::running() const
{
    return m_run->running();
}

void frmUpdate::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        cmdOk->setEnabled(false);
        QTimer::singleShot(0, m_run, &Online::UpdateRun::start);
    }
}

void frmUpdate::showItems()
{
    const QList<Online::UpdateRun::Item>& items = m_run->items();
    MSFlexGrid1->setRowCount(int(items.size()));
    for (int row = 0; row < items.size(); ++row) {
        const Online::UpdateRun::Item& item = items.at(row);
        MSFlexGrid1->setItem(row, StateColumn, new QTableWidgetItem(item.state));
        MSFlexGrid1->setItem(row, DateColumn, new QTableWidgetItem(item.date));
        MSFlexGrid1->setItem(row, CountColumn, new QTableWidgetItem(QString::number(item.count)));
    }
}

void frmUpdate::showItem(int row)
{
    if (QTableWidgetItem* cell = MSFlexGrid1->item(row, StateColumn)) {
        cell->setText(m_run->items().at(row).state);
        MSFlexGrid1->repaint();
    }
}

void frmUpdate::cmdOK_Click()
{
    if (m_run->updatesFound() && m_reloadDrinks)
        m_reloadDrinks();
    QDialog::accept();
}

void frmUpdate::reject()
{
    // Closing the window ends the run: requests in flight are dropped and temporary files go. The
    // list is reloaded when drinks may have been added.
    const bool wasRunning = m_run->running();
    m_run->abandon();
    if (m_run->updatesFound() && (!wasRunning || m_run->addedAny()) && m_reloadDrinks)
        m_reloadDrinks();
    QDialog::reject();
}

void frmUpdate::closeEvent(QCloseEvent* event)
{
    reject();
    event->accept();
}
