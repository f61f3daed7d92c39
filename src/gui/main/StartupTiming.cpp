#include "gui/main/StartupTiming.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEvent>
#include <QTextStream>
#include <QTimer>

namespace StartupTiming {

namespace {

// The paint event arrives before the list paints; the queued report runs after it has.
class FirstPaint : public QObject
{
public:
    FirstPaint(QAbstractItemView* list, const QElapsedTimer& sinceStart)
        : QObject(list), m_list(list), m_sinceStart(sinceStart)
    {
        list->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, this, [this] {
                QTextStream(stdout) << "first paint after " << m_sinceStart.elapsed() << " ms, "
                                    << (m_list->model() ? m_list->model()->rowCount() : 0) << " drinks" << Qt::endl;
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QAbstractItemView* m_list;
    QElapsedTimer m_sinceStart;
    bool m_seen = false;
};

} // namespace

bool requested()
{
    return qEnvironmentVariableIntValue(EnvironmentVariable) == 1;
}

bool exitAfterFirstPaint(QWidget* mainWindow, const QElapsedTimer& sinceStart)
{
    auto* list = mainWindow ? mainWindow->findChild<QAbstractItemView*>(QStringLiteral("lstDrinks")) : nullptr;
    if (!list)
        return false;
    new FirstPaint(list, sinceStart);
    return true;
}

} // namespace StartupTiming
