// The program's start-up exactly as src/app/main.cpp runs it, plus the exit hook the benchmark needs:
// with TUMBLERIX_EXIT_AFTER_LOAD=1 it prints the time from main() to the end of the first paint of
// the drink list and quits. Used only while the tumblerix executable itself has no such hook.

#include "common/MessageBox.h"
#include "main/GlassPictures.h"
#include "main/frmMain.h"
#include "main/frmSplash.h"
#include "store/DataFolder.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QIcon>
#include <QStyleFactory>
#include <QTextStream>
#include <QTimer>

namespace {

// Quits once the list has painted itself for the first time. The paint event is seen before the
// list paints; the queued call runs after it has.
class FirstPaint : public QObject
{
public:
    FirstPaint(QAbstractItemView* list, const QElapsedTimer& clock) : m_list(list), m_clock(clock)
    {
        list->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, this, [this] {
                QTextStream(stdout) << "first paint after " << m_clock.elapsed() << " ms, "
                                    << (m_list->model() ? m_list->model()->rowCount() : 0) << " drinks" << Qt::endl;
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QAbstractItemView* m_list;
    const QElapsedTimer& m_clock;
    bool m_seen = false;
};

} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brimvale"));
    QApplication::setApplicationName(QStringLiteral("Tumblerix"));
    QApplication::setApplicationVersion(QStringLiteral(TUMBLERIX_VERSION));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    GlassPictures::registerResources();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/tumblerix.svg")));

    const DataFolder::Choice folder = DataFolder::choose(QApplication::arguments(), QApplication::applicationDirPath());
    QString error;
    if (!DataFolder::ensureExists(folder.path, &error)) {
        QTextStream(stderr) << error << Qt::endl;
        return 1;
    }
    // A message box would wait for a person; in a measurement it is a failure.
    MessageBox::setAutoAnswer(true);

    frmSplash splash;
    splash.show();
    QApplication::processEvents();
    frmMain window(folder.path);
    if (!window.Load(&splash))
        return 1;
    auto* list = window.findChild<QAbstractItemView*>(QStringLiteral("lstDrinks"));
    if (!list) {
        QTextStream(stderr) << "The main window has no lstDrinks." << Qt::endl;
        return 1;
    }
    FirstPaint probe(list, clock);
    window.show();
    const int code = QApplication::exec();
    if (!MessageBox::history().isEmpty()) {
        QTextStream(stderr) << "A message box was shown: " << MessageBox::history().last().text << Qt::endl;
        return 1;
    }
    return code;
}
