#include "gui/online/frmUpdate.h"

#include "gui/appearance/ColorSchemes.h"
#include "gui/common/MessageBox.h"
#include "gui/common/Twips.h"
#include "core/exchange/ExchangeClient.h"
#include "core/exchange/OnlineSettings.h"
#include "core/exchange/UpdateFiles.h"
#include "core/store/ModuleRegistry.h"
#include "core/store/Sqlite.h"

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
    CountColumn,
    StemColumn
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

    MSFlexGrid1 = new QTableWidget(0, 4, this);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setHorizontalHeaderLabels(
        {QStringLiteral("Status"), QStringLiteral("Release Date"), QStringLiteral("Drinks"), QString()});
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->setSelectionMode(QAbstractItemView::NoSelection);
    MSFlexGrid1->setFocusPolicy(Qt::NoFocus);
    MSFlexGrid1->horizontalHeader()->setHighlightSections(false);
    MSFlexGrid1->horizontalHeader()->setStretchLastSection(false);
    MSFlexGrid1->setColumnWidth(StateColumn, twipsToPixels(this, 2750));
    MSFlexGrid1->setColumnWidth(DateColumn, twipsToPixels(this, 2000));
    MSFlexGrid1->setColumnWidth(CountColumn, twipsToPixels(this, 700));
    MSFlexGrid1->setColumnHidden(StemColumn, true);

    cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdOk->setDefault(true);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    m_panel = new QLabel(StatusBar1);
    m_panel->setObjectName(QStringLiteral("Panel1"));
    StatusBar1->addWidget(m_panel, 1);

    UpdateTimer = new QTimer(this);
    UpdateTimer->setObjectName(QStringLiteral("UpdateTimer"));
    UpdateTimer->setInterval(1000);
    UpdateTimer->setSingleShot(true);

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

    // Form_Load: the date of the shipped drinks is the first "last update".
    if (ModuleRegistry::ReadText(ModuleRegistry::LastUpdate).trimmed().isEmpty())
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate, ModuleRegistry::ReleaseDate);

    const ColorSchemes::Scheme& scheme = ColorSchemes::current();
    ColorSchemes::applyWindow(this, scheme);
    for (QWidget* child : findChildren<QWidget*>())
        setColours(child, scheme.Background, scheme.Text);
    ColorSchemes::setRoles(cmdOk, {{QPalette::Button, scheme.Background}});
    setColours(MSFlexGrid1, scheme.Background, scheme.Text);

    m_client =
        new Online::ExchangeClient(OnlineSettings::ServiceRoot(), OnlineSettings::RequestTimeoutMs(), this);
    connect(UpdateTimer, &QTimer::timeout, this, &frmUpdate::UpdateTimer_Timer);
    connect(cmdOk, &QPushButton::clicked, this, &frmUpdate::cmdOK_Click);
}

frmUpdate::~frmUpdate()
{
    if (m_running)
        abandonRun();
}

QString frmUpdate::statusText() const
{
    return m_panel->text();
}

void frmUpdate::setStatus(const QString& text)
{
    m_panel->setText(text);
}

void frmUpdate::setRowState(int row, const QString& text)
{
    MSFlexGrid1->item(row, StateColumn)->setText(text);
}

QString frmUpdate::localFile(const QString& name) const
{
    return QDir(m_folder).filePath(name);
}

void frmUpdate::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        QTimer::singleShot(0, this, &frmUpdate::Form_Activate);
    }
}

void frmUpdate::Form_Activate()
{
    // The run's timer starts only once the service is known to answer, so the check and the run
    // never overlap however slow the check is.
    m_client->CheckInternet([this](bool connected) {
        if (connected) {
            UpdateTimer->start();
            return;
        }
        MessageBox::show(this, QMessageBox::Warning,
                         OnlineSettings::ProgramTitle() +
                             QStringLiteral(" unable to connect with the drink database"),
                         noConnectionText(), QMessageBox::Ok);
        QDialog::reject();
    });
}

void frmUpdate::UpdateTimer_Timer()
{
    setStatus(QStringLiteral("Checking for updates, please wait...."));
    UpdateTimer->stop();
    cmdOk->setEnabled(false);
    m_running = true;
    try {
        m_folder = Online::UpdateFolder();
    } catch (const Sql::Error& e) {
        setStatus(e.message());
        endRun();
        return;
    }

    m_lastUpdateText = ModuleRegistry::ReadText(ModuleRegistry::LastUpdate);
    const QString code = OnlineSettings::InstallationCode();
    m_client->get(QStringLiteral("/QZ/GetDrinkUpdates.asp?hash_code=") + code +
                      QStringLiteral("&last_update=") + m_lastUpdateText,
                  Online::MaxDocumentBytes, [this](const Online::FetchResult& index) {
                      indexArrived(index.ok ? index.body : QByteArray(), index.ok ? QString() : index.error);
                  });
}

void frmUpdate::indexArrived(const QByteArray& index, const QString& error)
{
    m_client->get(QStringLiteral("/QZ/QZversion.txt"), 4096,
                  [this, index, error](const Online::FetchResult& version) {
                      if (!error.isEmpty())
                          setStatus(QStringLiteral("The list of updates could not be fetched: ") + error);
                      versionArrived(index, QString::fromUtf8(version.body), version.ok);
                  });
}

void frmUpdate::versionArrived(const QByteArray& index, const QString& version, bool versionOk)
{
    // A version that could not be fetched says nothing about a newer one.
    const QString title = OnlineSettings::ProgramTitle();
    if (versionOk && !version.isEmpty() && version != OnlineSettings::LocalVersionText()) {
        const MessageBox::Button answer =
            MessageBox::question(this, QStringLiteral("New version available"),
                                 QStringLiteral("There is a newer version of ") + title +
                                     QStringLiteral(" available would you like to download it?"),
                                 QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes) {
            QDesktopServices::openUrl(m_client->address(QStringLiteral("/download.asp")));
            m_running = false;
            if (m_unloadForms)
                m_unloadForms();
            else
                QDialog::reject();
            return;
        }
    }
    if (QString::fromUtf8(index).trimmed().isEmpty()) {
        MessageBox::show(
            this, QMessageBox::Warning, QStringLiteral("There was a problem downloading the update file"),
            QStringLiteral("Please try again.  If you continue to have problems please contact ") +
                OnlineSettings::CompanyName() + QStringLiteral(" Support at ") +
                OnlineSettings::SupportAddress() + QStringLiteral("."),
            QMessageBox::Ok | QMessageBox::Cancel);
        endRun();
        return;
    }
    readIndex(index);
}

void frmUpdate::readIndex(const QByteArray& index)
{
    QString error;
    if (!Online::WriteFile(localFile(Online::UpdateIndexFileName), index + '\n', &error)) {
        setStatus(error);
        endRun();
        return;
    }
    const std::optional<QList<Online::UpdateIndexItem>> items = Online::ReadUpdateIndex(index, &error);
    if (!items) {
        MessageBox::show(this, QMessageBox::Warning,
                         QStringLiteral("There was a problem downloading the update file"),
                         QStringLiteral("The list of updates from ") + OnlineSettings::CompanyName() +
                             QStringLiteral(" cannot be read: ") + error,
                         QMessageBox::Ok);
        setStatus(QStringLiteral("The list of updates cannot be read."));
        endRun();
        return;
    }

    QStringList problems;
    std::optional<QDate> lastUpdate = Online::ParseExchangeDate(m_lastUpdateText);
    if (!lastUpdate) {
        problems << QStringLiteral(
                        "The date of the last update, \"%1\", cannot be read; updates since %2 were "
                        "asked for.")
                        .arg(m_lastUpdateText, ModuleRegistry::ReleaseDate);
        lastUpdate = Online::ParseExchangeDate(ModuleRegistry::ReleaseDate);
    }
    const QList<Online::QueuedUpdate> queued = Online::SelectUpdates(*items, *lastUpdate, &problems);
    for (const Online::QueuedUpdate& update : queued) {
        const int row = MSFlexGrid1->rowCount();
        MSFlexGrid1->insertRow(row);
        MSFlexGrid1->setItem(row, StateColumn, new QTableWidgetItem(QStringLiteral("Queued For Download")));
        MSFlexGrid1->setItem(row, DateColumn, new QTableWidgetItem(update.date));
        MSFlexGrid1->setItem(row, CountColumn, new QTableWidgetItem(QString::number(update.count)));
        MSFlexGrid1->setItem(row, StemColumn, new QTableWidgetItem(update.stem));
        m_rowOk.append(true);
    }
    if (!problems.isEmpty()) {
        MessageBox::warning(this, QStringLiteral("Some updates were skipped"),
                            QStringLiteral("These entries of the list of updates were skipped:\n\n") +
                                problems.join(QLatin1Char('\n')));
    }
    if (MSFlexGrid1->rowCount() == 0) {
        m_updatesFound = false;
        setStatus(QStringLiteral("You have the latest update."));
        endRun();
        return;
    }
    m_updatesFound = true;
    setStatus(QStringLiteral("Downloading Drink Updates Please Wait"));
    downloadRow(0);
}

void frmUpdate::downloadRow(int row)
{
    if (row >= MSFlexGrid1->rowCount()) {
        setStatus(QStringLiteral("Adding Drink Updates Please Wait"));
        QTimer::singleShot(0, this, [this] { addRow(0); });
        return;
    }
    setRowState(row, QStringLiteral("Downloading drink file"));
    const QString stem = MSFlexGrid1->item(row, StemColumn)->text();
    m_client->get(QStringLiteral("/QZ/") + stem + QStringLiteral(".xml"), Online::MaxDocumentBytes,
                  [this, row, stem](const Online::FetchResult& document) {
                      QString error = document.error;
                      const QString path = localFile(stem);
                      if (document.ok && Online::WriteFile(path, document.body, &error)) {
                          m_downloaded << path;
                          setRowState(row, QStringLiteral("Download complete"));
                      } else {
                          m_rowOk[row] = false;
                          setRowState(row, QStringLiteral("Download failed"));
                          m_failures << QStringLiteral("%1: %2").arg(stem, error);
                      }
                      downloadRow(row + 1);
                  });
}

void frmUpdate::addRow(int row)
{
    if (!m_running)
        return;
    if (row >= MSFlexGrid1->rowCount()) {
        finishAdding();
        return;
    }
    if (m_rowOk.at(row)) {
        const QString stem = MSFlexGrid1->item(row, StemColumn)->text();
        const QString path = localFile(stem);
        setRowState(row, QStringLiteral("Adding drinks to database"));
        MSFlexGrid1->repaint();
        QString error;
        if (Online::AddNewRecordsToDatabase(path, &error)) {
            m_addedAny = true;
            setRowState(row, QStringLiteral("Drink Update Completed"));
        } else {
            m_rowOk[row] = false;
            setRowState(row, QStringLiteral("Not added"));
            m_failures << QStringLiteral("%1 (released %2): %3")
                              .arg(stem, MSFlexGrid1->item(row, DateColumn)->text(), error);
        }
        MSFlexGrid1->repaint();
        Online::DestroyFile(path);
        m_downloaded.removeAll(path);
    }
    // One document per turn of the event loop, so the window stays painted between documents.
    QTimer::singleShot(0, this, [this, row] { addRow(row + 1); });
}

void frmUpdate::finishAdding()
{
    if (m_failures.isEmpty()) {
        setStatus(QStringLiteral("Drink Database Completed.  Enjoy!"));
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::LastUpdate,
                                           Online::FormatExchangeDate(QDate::currentDate()));
    } else {
        // The date stays, so the next check asks for the same documents; drinks added now are skipped.
        setStatus(QStringLiteral("The drink update is not complete; the next check will try again."));
        MessageBox::warning(this, QStringLiteral("The drink update is not complete"),
                            QStringLiteral("These drink updates could not be added:\n\n") +
                                m_failures.join(QLatin1Char('\n')) +
                                QStringLiteral("\n\nThe next check for updates will ask for them again."));
    }
    endRun();
}

void frmUpdate::endRun()
{
    if (!m_folder.isEmpty())
        Online::DestroyFile(localFile(Online::UpdateIndexFileName));
    for (const QString& path : std::as_const(m_downloaded))
        Online::DestroyFile(path);
    m_downloaded.clear();
    m_running = false;
    cmdOk->setEnabled(true);
    Q_EMIT runFinished();
}

void frmUpdate::abandonRun()
{
    m_client->abort();
    UpdateTimer->stop();
    if (m_running)
        endRun();
}

void frmUpdate::cmdOK_Click()
{
    if (m_updatesFound && m_reloadDrinks)
        m_reloadDrinks();
    QDialog::accept();
}

void frmUpdate::reject()
{
    // Closing the window ends the run: requests in flight are dropped and temporary files go. The
    // list is reloaded when drinks may have been added.
    const bool wasRunning = m_running;
    abandonRun();
    if (m_updatesFound && (!wasRunning || m_addedAny) && m_reloadDrinks)
        m_reloadDrinks();
    QDialog::reject();
}

void frmUpdate::closeEvent(QCloseEvent* event)
{
    reject();
    event->accept();
}
