#include "gui/appearance/frmColor.h"

#include "gui/common/ColorDialog.h"
#include "gui/common/MessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QFrame* makeSwatch(QWidget* parent, const char* name)
{
    auto* swatch = named(new QFrame(parent), name);
    swatch->setFrameShape(QFrame::Box);
    swatch->setFrameShadow(QFrame::Plain);
    swatch->setLineWidth(1);
    swatch->setAutoFillBackground(true);
    swatch->setMinimumSize(64, 24);
    return swatch;
}

QColor swatchColour(const QFrame* swatch)
{
    return swatch->palette().color(QPalette::Window);
}

void setSwatchColour(QFrame* swatch, const QColor& colour)
{
    ColorSchemes::setRoles(swatch, {{QPalette::Window, colour}}, true);
    // Say the colour in words as well, for those who cannot tell it by sight.
    swatch->setToolTip(colour.name());
    swatch->setAccessibleDescription(colour.name());
}

} // namespace

frmColor::frmColor(QWidget* parent, std::function<void()> applyToMainWindow)
    : QDialog(parent), m_applyToMainWindow(std::move(applyToMainWindow))
{
    setObjectName(QStringLiteral("frmColor"));
    setWindowTitle(QStringLiteral("Color Scheme"));

    cmdTitles = named(new QPushButton(QStringLiteral("&Titles"), this), "cmdTitles");
    cmdText = named(new QPushButton(QStringLiteral("T&ext"), this), "cmdText");
    cmdButton = named(new QPushButton(QStringLiteral("&Buttons"), this), "cmdButton");
    cmdListTextBox = named(new QPushButton(QStringLiteral("&List/Text Boxes"), this), "cmdListTextBox");
    picTitles = makeSwatch(this, "picTitles");
    picText = makeSwatch(this, "picText");
    picButton = makeSwatch(this, "picButton");
    picListTextBox = makeSwatch(this, "picListTextBox");

    // The background is not offered for picking; its swatch still carries the colour to OK.
    cmdBackGround = named(new QPushButton(QStringLiteral("Background"), this), "cmdBackGround");
    picBackground = makeSwatch(this, "picBackground");
    cmdBackGround->hide();
    picBackground->hide();
    ComboColorSchemes = named(new QComboBox(this), "ComboColorSchemes");
    ComboColorSchemes->setPlaceholderText(QStringLiteral("Select Color Scheme"));
    ComboColorSchemes->hide();

    CommandResetToDefault =
        named(new QPushButton(QStringLiteral("&Reset To Default"), this), "CommandResetToDefault");
    cmdOk = named(new QPushButton(QStringLiteral("OK"), this), "cmdOk");
    cmdOk->setDefault(true);
    cmdOk->setAutoDefault(true);
    cmdCancel = named(new QPushButton(QStringLiteral("Cancel"), this), "cmdCancel");
    for (QPushButton* b : {cmdTitles, cmdText, cmdButton, cmdListTextBox, CommandResetToDefault, cmdCancel})
        b->setAutoDefault(false);

    auto* picks = new QGridLayout;
    picks->setHorizontalSpacing(12);
    const std::pair<QPushButton*, QFrame*> rows[] = {{cmdTitles, picTitles},
                                                     {cmdText, picText},
                                                     {cmdButton, picButton},
                                                     {cmdListTextBox, picListTextBox},
                                                     {cmdBackGround, picBackground}};
    int row = 0;
    for (const auto& [button, swatch] : rows) {
        picks->addWidget(button, row, 0);
        picks->addWidget(swatch, row, 1);
        ++row;
    }
    picks->addWidget(ComboColorSchemes, row, 0, 1, 2);
    picks->setColumnStretch(1, 1);

    auto* commands = new QVBoxLayout;
    commands->addWidget(CommandResetToDefault);
    commands->addStretch();
    commands->addWidget(cmdOk);
    commands->addWidget(cmdCancel);

    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(18);
    layout->addLayout(picks, 1);
    layout->addLayout(commands);

    const int buttonWidth = cmdListTextBox->sizeHint().width() + 16;
    for (QPushButton* b : {cmdTitles, cmdText, cmdButton, cmdListTextBox, cmdBackGround})
        b->setMinimumWidth(buttonWidth);

    setTabOrder(cmdTitles, cmdText);
    setTabOrder(cmdText, cmdButton);
    setTabOrder(cmdButton, cmdListTextBox);
    setTabOrder(cmdListTextBox, CommandResetToDefault);
    setTabOrder(CommandResetToDefault, cmdOk);
    setTabOrder(cmdOk, cmdCancel);

    // Opening: the window in the current colours, the swatches showing them, no schemes offered.
    const ColorSchemes::Scheme& scheme = ColorSchemes::current();
    ColorSchemes::applyWindow(this, scheme);
    for (QPushButton* b : {cmdTitles, cmdText, cmdButton, cmdListTextBox, cmdBackGround, CommandResetToDefault,
                           cmdOk, cmdCancel})
        ColorSchemes::applyButton(b, scheme);
    showScheme(scheme);
    ComboColorSchemes->clear();

    connect(cmdTitles, &QPushButton::clicked, this, [this] { pick(picTitles, QStringLiteral("Titles")); });
    connect(cmdText, &QPushButton::clicked, this, [this] { pick(picText, QStringLiteral("Text")); });
    connect(cmdButton, &QPushButton::clicked, this, [this] { pick(picButton, QStringLiteral("Buttons")); });
    connect(cmdListTextBox, &QPushButton::clicked, this,
            [this] { pick(picListTextBox, QStringLiteral("List/Text Boxes")); });
    connect(CommandResetToDefault, &QPushButton::clicked, this, &frmColor::CommandResetToDefault_Click);
    connect(cmdOk, &QPushButton::clicked, this, &frmColor::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    cmdTitles->setFocus();
    resize(sizeHint().expandedTo(QSize(380, 0)));
}

ColorSchemes::Scheme frmColor::swatchScheme() const
{
    ColorSchemes::Scheme s;
    s.Background = swatchColour(picBackground);
    s.Text = swatchColour(picText);
    s.Title = swatchColour(picTitles);
    s.Button = swatchColour(picButton);
    s.TextListBox = swatchColour(picListTextBox);
    return s;
}

void frmColor::showScheme(const ColorSchemes::Scheme& scheme)
{
    setSwatchColour(picBackground, scheme.Background);
    setSwatchColour(picListTextBox, scheme.TextListBox);
    setSwatchColour(picTitles, scheme.Title);
    setSwatchColour(picText, scheme.Text);
    setSwatchColour(picButton, scheme.Button);
}

void frmColor::pick(QFrame* swatch, const QString& what)
{
    if (const std::optional<QColor> colour =
            ColorDialog::choose(this, QStringLiteral("Color for ") + what, swatchColour(swatch)))
        setSwatchColour(swatch, *colour);
}

void frmColor::CommandResetToDefault_Click()
{
    showScheme(ColorSchemes::DefaultScheme(QApplication::palette()));
}

void frmColor::cmdOk_Click()
{
    // Kept even when hard to read (the user may want it so), but said.
    const QStringList hard = ColorSchemes::HardToRead(swatchScheme());
    if (!hard.isEmpty()) {
        MessageBox::warning(this, windowTitle(),
                            QStringLiteral("These colours are close to each other and may be hard to read:\n\n") +
                                hard.join(QLatin1Char('\n')));
    }
    // Stored first: the main window redraws from the program's current scheme, which this sets.
    ColorSchemes::SaveToPreferences(swatchScheme());
    if (m_applyToMainWindow)
        m_applyToMainWindow();
    accept();
}
