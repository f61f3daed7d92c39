#include "gui/appearance/ColorSchemes.h"

#include "core/store/ModuleRegistry.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include <cmath>
#include <tuple>

namespace ColorSchemes {

QColor fromColorRef(qint64 value)
{
    const quint32 v = quint32(value);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

qint64 toColorRef(const QColor& colour)
{
    return qint64(colour.red()) | (qint64(colour.green()) << 8) | (qint64(colour.blue()) << 16);
}

bool IsDark(const QPalette& palette)
{
    return palette.color(QPalette::Active, QPalette::Window).lightnessF() <
           palette.color(QPalette::Active, QPalette::WindowText).lightnessF();
}

Scheme DefaultScheme(const QPalette& palette)
{
    Scheme s;
    s.Button = palette.color(QPalette::Active, QPalette::Button);
    s.Text = palette.color(QPalette::Active, QPalette::WindowText);
    s.TextListBox = palette.color(QPalette::Active, QPalette::Base);
    if (IsDark(palette)) {
        s.Background = palette.color(QPalette::Active, QPalette::Window);
        s.Title = QColor(0x8a, 0xb4, 0xf8); // light blue: the dark blue of a light desktop, readable on dark
    } else {
        s.Background = fromColorRef(ModuleRegistry::DefaultBackground);
        s.Title = fromColorRef(ModuleRegistry::DefaultTitle);
    }
    return s;
}

double ContrastRatio(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QStringList HardToRead(const Scheme& scheme)
{
    const std::tuple<QColor, QColor, const char*> pairs[] = {
        {scheme.Text, scheme.Background, "Text on Background"},
        {scheme.Title, scheme.Background, "Titles on Background"},
        {scheme.Text, scheme.TextListBox, "Text on List/Text Boxes"},
    };
    QStringList hard;
    for (const auto& [foreground, background, words] : pairs) {
        if (ContrastRatio(foreground, background) < 3.0)
            hard << QString::fromLatin1(words);
    }
    return hard;
}

Scheme& current()
{
    static Scheme scheme = DefaultScheme(QPalette());
    return scheme;
}

void LoadFromPreferences()
{
    // A value that is missing or not a number keeps that colour's default: never black on black.
    const Scheme defaults = DefaultScheme(QPalette());
    // Colours the first start wrote from the desktop's palette are not a choice: the desktop may
    // have turned dark since. A file from before the mark with anything but the first start's white
    // and dark blue holds colours the user chose.
    const bool chosen = ModuleRegistry::ReadText(ModuleRegistry::ColorsChosen) == QLatin1String("1") ||
                        (ModuleRegistry::ReadNumber(ModuleRegistry::Background).value_or(ModuleRegistry::DefaultBackground) !=
                             ModuleRegistry::DefaultBackground ||
                         ModuleRegistry::ReadNumber(ModuleRegistry::Title).value_or(ModuleRegistry::DefaultTitle) !=
                             ModuleRegistry::DefaultTitle);
    if (!chosen) {
        current() = defaults;
        return;
    }
    const auto read = [](const QString& name, const QColor& fallback) {
        const std::optional<qint64> value = ModuleRegistry::ReadNumber(name);
        return value ? fromColorRef(*value) : fallback;
    };
    Scheme& s = current();
    s.Background = read(ModuleRegistry::Background, defaults.Background);
    s.Text = read(ModuleRegistry::Text, defaults.Text);
    s.Title = read(ModuleRegistry::Title, defaults.Title);
    s.Button = read(ModuleRegistry::Button, defaults.Button);
    s.TextListBox = read(ModuleRegistry::TextListBox, defaults.TextListBox);
}

void SaveToPreferences(const Scheme& scheme)
{
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::Background, toColorRef(scheme.Background));
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::Text, toColorRef(scheme.Text));
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::Title, toColorRef(scheme.Title));
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::Button, toColorRef(scheme.Button));
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::TextListBox, toColorRef(scheme.TextListBox));
    ModuleRegistry::WriteRegistryValue(ModuleRegistry::ColorsChosen, QStringLiteral("1"));
    current() = scheme;
}

void setRoles(QWidget* widget, Roles roles, bool alsoDisabled)
{
    if (!widget)
        return;
    QPalette p = widget->palette();
    for (const auto& [role, colour] : roles) {
        p.setColor(QPalette::Active, role, colour);
        p.setColor(QPalette::Inactive, role, colour);
        if (alsoDisabled)
            p.setColor(QPalette::Disabled, role, colour);
    }
    widget->setPalette(p);
}

namespace {

bool isInput(const QWidget* w)
{
    return qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
           qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w);
}

// A text colour that reads on the background: the scheme's text when it does, else black or white.
QColor readableOn(const QColor& background, const QColor& preferred)
{
    if (ContrastRatio(preferred, background) >= 3.0)
        return preferred;
    return ContrastRatio(Qt::black, background) >= ContrastRatio(Qt::white, background) ? QColor(Qt::black)
                                                                                        : QColor(Qt::white);
}

} // namespace

void applyWindow(QWidget* window, const Scheme& scheme)
{
    if (!window)
        return;
    window->setAutoFillBackground(true);
    setRoles(window, {{QPalette::Window, scheme.Background}, {QPalette::WindowText, readableOn(scheme.Background, scheme.Text)}});
}

void applyBackgroundToAll(QWidget* window, const Scheme& scheme)
{
    applyWindow(window, scheme);
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (child->isWindow())
            continue;
        setRoles(child, {{QPalette::Window, scheme.Background},
                         {QPalette::WindowText, readableOn(scheme.Background, scheme.Text)}});
    }
}

void applyHeading(QWidget* label, const Scheme& scheme)
{
    setRoles(label, {{QPalette::Window, scheme.Background}, {QPalette::WindowText, scheme.Title}});
}

void applyDataLabel(QWidget* label, const Scheme& scheme)
{
    setRoles(label, {{QPalette::Window, scheme.Background}, {QPalette::WindowText, scheme.Text}});
}

void applyButton(QWidget* button, const Scheme& scheme)
{
    setRoles(button, {{QPalette::Button, scheme.Button}, {QPalette::ButtonText, readableOn(scheme.Button, scheme.Text)}});
}

void applyInput(QWidget* input, const Scheme& scheme)
{
    setRoles(input, {{QPalette::Base, scheme.TextListBox}, {QPalette::Text, scheme.Text}});
    // A drop-down list without a text box is drawn with the button colours.
    if (const auto* combo = qobject_cast<const QComboBox*>(input); combo && !combo->isEditable())
        setRoles(input, {{QPalette::Button, scheme.TextListBox}, {QPalette::ButtonText, scheme.Text}});
}

void applyStandard(QWidget* window, const Scheme& scheme)
{
    applyWindow(window, scheme);
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (child->isWindow())
            continue;
        if (auto* label = qobject_cast<QLabel*>(child)) {
            if (label->objectName().startsWith(QLatin1String("Label")))
                applyHeading(label, scheme);
            else
                applyDataLabel(label, scheme);
        } else if (qobject_cast<QAbstractButton*>(child)) {
            applyButton(child, scheme);
        } else if (isInput(child)) {
            applyInput(child, scheme);
        }
    }
}

void applyFieldBackground(QWidget* field, const QColor& background, const Scheme& scheme)
{
    setRoles(field, {{QPalette::Base, background}, {QPalette::Text, readableOn(background, scheme.Text)}}, true);
}

} // namespace ColorSchemes
