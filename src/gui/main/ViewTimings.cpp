#include "gui/main/ViewTimings.h"

#include "core/store/DerivedFlags.h"
#include "gui/common/MessageBox.h"
#include "gui/main/frmMain.h"

#include <QAbstractItemView>
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

namespace ViewTimings {

namespace {

const char* viewName(int view)
{
    switch (view) {
    case frmMain::AllDrinks:
        return "all";
    case frmMain::CurrentStock:
        return "stock";
    case frmMain::NonAlcoholic:
        return "nonalcoholic";
    case frmMain::CurrentStockNonAlcoholic:
        return "stock-nonalcoholic";
    case frmMain::Favorites:
        return "favorites";
    default:
        return "none";
    }
}

// Watches the list's viewport: the paint event arrives before the list paints, so the report is
// queued behind it. A keystroke that changes nothing paints nothing: it is reported after a pause.
class Recorder : public QObject
{
public:
    Recorder(frmMain* window, const QElapsedTimer& sinceStart)
        : QObject(window), m_window(window), m_list(window->findChild<QAbstractItemView*>(QStringLiteral("lstDrinks"))),
          m_search(window->findChild<QLineEdit*>(QStringLiteral("txtSearch")))
    {
        m_log.setFileName(qEnvironmentVariable("TUMBLERIX_TIMINGS"));
        if (!m_log.fileName().isEmpty() && !m_log.open(QIODevice::Append | QIODevice::Text))
            qWarning("TUMBLERIX_TIMINGS: %s cannot be written", qPrintable(m_log.fileName()));
        m_steps = qEnvironmentVariable("TUMBLERIX_DRIVE").split(QLatin1Char(','), Qt::SkipEmptyParts);
        m_driving = !m_steps.isEmpty();
        if (m_driving)
            MessageBox::setAutoAnswer(true); // a message (an empty stock) must not stop the run
        m_pending = {QStringLiteral("startup"), QString()};
        m_clock = sinceStart;
        m_list->viewport()->installEventFilter(this);
        connect(window, &frmMain::viewStarting, this, [this](int view) {
            begin(QStringLiteral("view"), QString::fromLatin1(viewName(view)));
        });
        m_quiet.setSingleShot(true);
        m_quiet.setInterval(500);
        connect(&m_quiet, &QTimer::timeout, this, [this] { finish(false); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Only the timed list's paint ends a timing; a search that has not filled it yet paints it empty.
        const bool timedList = watched == m_watched->viewport() &&
                               !(m_waitForRows && m_watched->model() && m_watched->model()->rowCount() == 0);
        if (event->type() == QEvent::Paint && timedList && !m_pending.first.isEmpty() && !m_reporting) {
            m_reporting = true;
            QTimer::singleShot(0, this, [this] { finish(true); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void begin(const QString& what, const QString& detail)
    {
        m_pending = {what, detail};
        m_clock.start();
    }

    void finish(bool painted)
    {
        m_reporting = false;
        m_quiet.stop();
        if (m_pending.first.isEmpty())
            return;
        QJsonObject line{{QStringLiteral("what"), m_pending.first},
                         {QStringLiteral("rows"), m_watched->model() ? m_watched->model()->rowCount() : 0},
                         {QStringLiteral("ms"), painted ? double(m_clock.nsecsElapsed()) / 1e6 : m_handledMs}};
        if (m_pending.first == QLatin1String("view") || m_pending.first == QLatin1String("window"))
            line.insert(QStringLiteral("view"), m_pending.second);
        else if (m_pending.first == QLatin1String("key"))
            line.insert(QStringLiteral("text"), m_pending.second);
        if (!painted)
            line.insert(QStringLiteral("painted"), false);
        m_pending = {};
        m_watched = m_list;
        m_waitForRows = false;
        writeLine(line);
        if (m_driving)
            QTimer::singleShot(0, this, [this] { next(); });
    }

    void writeLine(const QJsonObject& line)
    {
        if (m_log.isOpen()) {
            m_log.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
            m_log.flush();
        }
    }

    // The process's peak resident memory so far (VmHWM), in KiB; 0 when unknown.
    static qint64 peakResidentKiB()
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
        return 0;
    }

    void next()
    {
        if (m_steps.isEmpty()) {
            m_driving = false;
            writeLine(QJsonObject{{QStringLiteral("what"), QStringLiteral("memory")},
                                  {QStringLiteral("peakKiB"), double(peakResidentKiB())}});
            QCoreApplication::quit();
            return;
        }
        const QString step = m_steps.takeFirst();
        static const QHash<QString, QString> actions{
            {QStringLiteral("all"), QStringLiteral("mnuView_ShowAllDrinks")},
            {QStringLiteral("favorites"), QStringLiteral("mnuView_ShowFavorites")},
            {QStringLiteral("stock"), QStringLiteral("mnuView_SearchDrinksAvailableWithCurrentStock")},
            {QStringLiteral("nonalcoholic"), QStringLiteral("mnuView_SearchAllNonAlcoholicDrinks")},
            {QStringLiteral("stock-nonalcoholic"),
             QStringLiteral("mnuView_SearchNonAlcoholicDrinksAvailableWithCurrentStock")}};
        if (const auto it = actions.constFind(step); it != actions.constEnd()) {
            if (auto* action = m_window->findChild<QAction*>(it.value())) {
                action->trigger();
                return; // the view's paint reports it and takes the next step
            }
        } else if (step == QLatin1String("planner")) {
            // From the menu command to the planner's first list painted.
            if (auto* action = m_window->findChild<QAction*>(QStringLiteral("mnuBarPlanner"))) {
                begin(QStringLiteral("window"), step);
                action->trigger();
                if (auto* list = m_window->findChild<QAbstractItemView*>(QStringLiteral("lstBuyNext"))) {
                    m_watched = list;
                    list->viewport()->installEventFilter(this);
                    return;
                }
                m_pending = {};
            }
        } else if (step.startsWith(QLatin1String("find:"))) {
            // Find Drink, the text in the directions: from the Find button to the hits painted.
            if (auto* action = m_window->findChild<QAction*>(QStringLiteral("mnuFind"))) {
                action->trigger();
                auto* find = m_window->findChild<QWidget*>(QStringLiteral("frmFind"));
                auto* list = find ? find->findChild<QAbstractItemView*>(QStringLiteral("lstFind")) : nullptr;
                auto* kind = find ? find->findChild<QComboBox*>(QStringLiteral("cmbFind")) : nullptr;
                auto* text = find ? find->findChild<QLineEdit*>(QStringLiteral("TextSearch")) : nullptr;
                auto* button = find ? find->findChild<QAbstractButton*>(QStringLiteral("cmdFind")) : nullptr;
                if (list && kind && text && button) {
                    kind->setCurrentIndex(1); // in the directions
                    text->setText(step.mid(5));
                    m_watched = list;
                    m_waitForRows = true;
                    list->viewport()->installEventFilter(this);
                    begin(QStringLiteral("window"), QStringLiteral("find"));
                    button->click();
                    return;
                }
            }
        } else if (step == QLatin1String("stale")) {
            DBLib::InvalidateStockViews();
            DBLib::InvalidateNonAlcoholicViews();
        } else if (step == QLatin1String("clear")) {
            m_search->clear();
        } else if (step.startsWith(QLatin1String("type:"))) {
            // One key at a time, each its own step.
            const QString text = step.mid(5);
            for (qsizetype i = text.size() - 1; i >= 0; --i)
                m_steps.prepend(QStringLiteral("key:") + text.at(i));
        } else if (step.startsWith(QLatin1String("key:")) && step.size() == 5) {
            begin(QStringLiteral("key"), m_search->text() + step.at(4));
            m_quiet.start();
            m_search->setFocus();
            // The search runs when the key comes up, as it does for a typing user.
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, step.mid(4));
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, step.mid(4));
            QCoreApplication::sendEvent(m_search, &press);
            QCoreApplication::sendEvent(m_search, &release);
            m_handledMs = double(m_clock.nsecsElapsed()) / 1e6;
            return;
        }
        QTimer::singleShot(0, this, [this] { next(); });
    }

    frmMain* m_window;
    QAbstractItemView* m_list;
    QAbstractItemView* m_watched = m_list; // the list whose paint ends the timing
    bool m_waitForRows = false;            // ... once it shows rows
    QLineEdit* m_search;
    QFile m_log;
    QStringList m_steps;
    bool m_driving = false;
    bool m_reporting = false;
    std::pair<QString, QString> m_pending; // what is being timed, and its view or text
    QElapsedTimer m_clock;
    QTimer m_quiet;
    double m_handledMs = 0; // a keystroke's own handling, reported when it paints nothing
};

} // namespace

void install(frmMain* window, const QElapsedTimer& sinceStart)
{
    if (qEnvironmentVariableIsEmpty("TUMBLERIX_TIMINGS") && qEnvironmentVariableIsEmpty("TUMBLERIX_DRIVE"))
        return;
    if (window && window->findChild<QAbstractItemView*>(QStringLiteral("lstDrinks")) &&
        window->findChild<QLineEdit*>(QStringLiteral("txtSearch")))
        new Recorder(window, sinceStart);
}

} // namespace ViewTimings
