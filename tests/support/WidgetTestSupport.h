#pragma once

// Helpers for tests that drive windows (header only: the support library itself has no widgets).

#include <QListWidget>
#include <QStringList>
#include <QWidget>

// The control of that object name; a test that names a missing control stops at once.
template <typename T> T* child(QWidget* window, const char* name)
{
    T* found = window->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}

// The texts of a list's entries, first to last.
inline QStringList listTexts(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

// ---- Typing and modal windows, as a user meets them ----------------------------------------------

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>

// Types text into a box (an editable combo box's line edit included): keys for ASCII and line
// breaks, an input-method commit for every other character, as a keyboard layout would send it.
inline void typeInto(QWidget* box, const QString& text)
{
    if (auto* combo = qobject_cast<QComboBox*>(box); combo && combo->lineEdit())
        box = combo->lineEdit();
    for (const QChar c : text) {
        if (c == QLatin1Char('\n')) {
            QTest::keyClick(box, Qt::Key_Return);
        } else if (c.unicode() < 128) {
            QTest::keyClick(box, char(c.unicode()));
        } else {
            QInputMethodEvent commit;
            commit.setCommitString(QString(c));
            QApplication::sendEvent(box, &commit);
        }
    }
}

// Replaces what a box holds: select all, delete, type.
inline void retypeInto(QWidget* box, const QString& text)
{
    if (auto* combo = qobject_cast<QComboBox*>(box); combo && combo->lineEdit())
        box = combo->lineEdit();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    typeInto(box, text);
}

// The texts of a combo box's items, first to last.
inline QStringList comboItems(const QComboBox* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

// Runs start(), which opens modal windows: the first is handed to act(); every one still open is
// then closed, so a test never hangs on a window it did not expect. Returns the first one's title.
inline QString whileModal(const std::function<void()>& start, const std::function<void(QWidget*)>& act = {})
{
    QString title;
    bool first = true;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (first) {
            first = false;
            title = modal->windowTitle();
            if (act)
                act(modal);
        }
        if (modal->isVisible())
            modal->close();
    });
    timer.start(10);
    start();
    return title;
}
