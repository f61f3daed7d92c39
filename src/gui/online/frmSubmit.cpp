#include "gui/online/frmSubmit.h"

#include "gui/appearance/ColorSchemes.h"
#include "gui/common/ErrorReport.h"
#include "gui/common/MessageBox.h"
#include "core/store/Failure.h"
#include "core/exchange/DrinkSubmission.h"
#include "core/exchange/ExchangeClient.h"
#include "core/exchange/OnlineSettings.h"
#include "core/store/DBLib.h"
#include "core/store/Lib.h"
#include "core/store/ModuleRegistry.h"
#include "core/exchange/ExchangeRecords.h"
#include "core/store/RecipeRepository.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString noConnectionText()
{
    return QStringList{QStringLiteral("This may have occured for a couple of reasons: "),
                       QStringLiteral("* You are not connected to the Internet"),
                       QStringLiteral("* We may be having technical difficulties"), QString(),
                       QStringLiteral("Please verify your Internet connection and try again later.")}
        .join(QLatin1Char('\n'));
}


} // namespace

frmSubmit::frmSubmit(QWidget* parent, qint64 drinkId) : QDialog(parent), m_drinkId(drinkId)
{
    setObjectName(QStringLiteral("frmSubmit"));
    setWindowTitle(QStringLiteral("Drink Submission"));
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    Label2 = new QLabel(
        QStringLiteral("Would you like to submit this drink to be added in future drink database "
                       "updates?  If, not you always can submit this drink later by right click on "
                       "it ans selecting \"Submit Drink\""),
        this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    OKButton = new QPushButton(QStringLiteral("&Yes"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&No"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    chkNeverAskAgain = new QCheckBox(QStringLiteral("N&ever Ask Again"), this);
    chkNeverAskAgain->setObjectName(QStringLiteral("chkNeverAskAgain"));

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    m_panel = new QLabel(StatusBar1);
    m_panel->setObjectName(QStringLiteral("Panel1"));
    StatusBar1->addWidget(m_panel, 1);

    Winsock1 = new Online::SubmissionSender(OnlineSettings::RequestTimeoutMs(), this);
    Winsock1->setObjectName(QStringLiteral("Winsock1"));
    m_client =
        new Online::ExchangeClient(OnlineSettings::ServiceRoot(), OnlineSettings::RequestTimeoutMs(), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(chkNeverAskAgain);
    buttons->addStretch();
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label2, 1);
    layout->addLayout(buttons);
    layout->addWidget(StatusBar1);
    layout->setContentsMargins(12, 12, 12, 0);
    setTabOrder(OKButton, CancelButton);
    setTabOrder(CancelButton, chkNeverAskAgain);
    resize(440, 170);

    // Form_Load colours: everything on the Background with Text, the two buttons on Button.
    const ColorSchemes::Scheme& scheme = ColorSchemes::current();
    ColorSchemes::applyWindow(this, scheme);
    for (QWidget* child : findChildren<QWidget*>())
        ColorSchemes::setRoles(child, {{QPalette::Window, scheme.Background}, {QPalette::WindowText, scheme.Text}});
    ColorSchemes::setRoles(Label2, {{QPalette::WindowText, scheme.Text}});
    ColorSchemes::setRoles(chkNeverAskAgain, {{QPalette::WindowText, scheme.Text}});
    ColorSchemes::applyButton(OKButton, scheme);
    ColorSchemes::applyButton(CancelButton, scheme);

    connect(OKButton, &QPushButton::clicked, this, &frmSubmit::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &frmSubmit::CancelButton_Click);
    connect(Winsock1, &Online::SubmissionSender::finished, this, &frmSubmit::sent);
}

frmSubmit::~frmSubmit() = default;

void frmSubmit::SubmitSelectedDrink(QWidget* parent, const QString& selectedItem,
                                    const std::function<void()>& showSelectedDrink)
{
    const QString name = selectedItem.trimmed();
    if (name.isEmpty())
        return;
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::NeverAsk, qint64(0));
    qint64 id = -1;
    try {
        id = DBLib::FindDrinkID(name);
    } catch (const std::exception& e) {
        ErrorReport::show(parent, QStringLiteral("Drink Submission"),
                          QStringLiteral("The drink %1 could not be found in the recipe database.").arg(name), e);
        return;
    }
    if (id < 0)
        return;
    frmSubmit window(parent, id);
    window.exec();
    if (showSelectedDrink)
        showSelectedDrink();
}

QString frmSubmit::statusText() const
{
    return m_panel->text();
}

void frmSubmit::setStatus(const QString& text)
{
    m_panel->setText(text);
}

void frmSubmit::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_activated) {
        m_activated = true;
        QTimer::singleShot(0, this, &frmSubmit::Form_Activate);
    }
}

void frmSubmit::Form_Activate()
{
    if (ModuleRegistry::ReadText(ModuleRegistry::NeverAsk).trimmed().isEmpty())
        ModuleRegistry::WriteRegistryValue(ModuleRegistry::NeverAsk, qint64(0));
    if (ModuleRegistry::ReadNumber(ModuleRegistry::NeverAsk) == 1) {
        CancelButton_Click();
        return;
    }
    chkNeverAskAgain->setChecked(false);
}

void frmSubmit::SavePreferences()
{
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::NeverAsk,
                                       qint64(chkNeverAskAgain->isChecked() ? 1 : 0));
}

void frmSubmit::CancelButton_Click()
{
    SavePreferences();
    reject();
}

void frmSubmit::OKButton_Click()
{
    // Both answers wait while the service is asked, so the drink cannot be sent twice.
    OKButton->setEnabled(false);
    CancelButton->setEnabled(false);
    m_client->CheckInternet([this](bool connected) {
        if (!connected) {
            MessageBox::show(this, QMessageBox::Warning,
                             OnlineSettings::ProgramTitle() +
                                 QStringLiteral(" unable to connect with the drink database"),
                             noConnectionText(), QMessageBox::Ok);
            QDialog::reject();
            return;
        }
        submit();
    });
}

void frmSubmit::submit()
{
    OKButton->hide();
    CancelButton->setEnabled(false);
    setStatus(QStringLiteral("Exporting drink to text file."));
    try {
        m_document = Online::ExportDrink(m_drinkId);
    } catch (const std::exception& e) {
        DBLib::LogFailure(QStringLiteral("Exporting the drink for submission."), e);
        offerClose(QStringLiteral("The drink could not be exported: ") + DBLib::FailureReason(e));
        return;
    }
    setStatus(QStringLiteral("Sending File to ") + OnlineSettings::CompanyName());
    if (!m_document.contains(QLatin1String("<ingredient>"))) {
        // A drink without recipe lines is not worth sending; it still counts as dealt with.
        complete();
        return;
    }
    const QUrl root = OnlineSettings::ServiceRoot();
    Winsock1->SendDrink(root, Online::BuildSubmissionRequest(root, m_document));
}

void frmSubmit::sent(bool delivered, const QString& error)
{
    if (delivered)
        complete();
    else
        offerClose(QStringLiteral("The drink could not be sent: ") + error);
}

void frmSubmit::complete()
{
    setStatus(QStringLiteral("Transfer Complete.  Thank you for your submission"));
    SavePreferences();
    CancelButton->setDefault(true);
    CancelButton->setText(QStringLiteral("&OK"));
    CancelButton->setEnabled(true);
    CancelButton->setFocus();
    try {
        DBLib::MarkSubmitted(m_drinkId);
    } catch (const std::exception& e) {
        DBLib::LogFailure(QStringLiteral("Marking the drink as submitted."), e);
        setStatus(QStringLiteral("The drink was sent but could not be marked as submitted: ") + DBLib::FailureReason(e));
    }
}

void frmSubmit::offerClose(const QString& status)
{
    setStatus(status);
    SavePreferences();
    OKButton->hide();
    CancelButton->setDefault(true);
    CancelButton->setText(QStringLiteral("&OK"));
    CancelButton->setEnabled(true);
    CancelButton->setFocus();
}

void frmSubmit::keyPressEvent(QKeyEvent* event)
{
    // Escape answers "No" (or "OK"), and does nothing while that button waits.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (CancelButton->isEnabled())
            CancelButton->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmSubmit::reject()
{
    // Closing the window drops a connection in progress; the drink then stays unsubmitted.
    m_client->abort();
    Winsock1->abort();
    QDialog::reject();
}
