#include "gui/about/HelpBrowser.h"

#include "core/store/ProgramData.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolBar>
#include <QTreeWidget>

QString HelpBrowser::bookFolder()
{
    return ProgramData::path(QStringLiteral("help"));
}

QUrl HelpBrowser::contentsPage()
{
    return QUrl::fromLocalFile(QDir(bookFolder()).filePath(QStringLiteral("index.html")));
}

HelpBrowser::HelpBrowser(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("HelpBrowser"));
    setWindowTitle(QStringLiteral("Tumblerix Help"));

    textBrowser = new QTextBrowser(this);
    textBrowser->setObjectName(QStringLiteral("textBrowser"));
    textBrowser->setOpenLinks(true);
    textBrowser->setOpenExternalLinks(true);
    textBrowser->setFrameShape(QFrame::NoFrame);

    treeContents = new QTreeWidget(this);
    treeContents->setObjectName(QStringLiteral("treeContents"));
    treeContents->setHeaderHidden(true);
    treeContents->setRootIsDecorated(true);
    treeContents->setMinimumWidth(200);
    treeContents->setTextElideMode(Qt::ElideRight);

    auto* splitter = new QSplitter(this);
    splitter->setObjectName(QStringLiteral("splitter"));
    splitter->addWidget(treeContents);
    splitter->addWidget(textBrowser);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({280, 620});
    splitter->setChildrenCollapsible(false);
    setCentralWidget(splitter);

    auto* bar = addToolBar(QStringLiteral("Navigation"));
    bar->setObjectName(QStringLiteral("navigationBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    actBack = bar->addAction(QStringLiteral("&Back"));
    actBack->setObjectName(QStringLiteral("actBack"));
    actBack->setShortcut(QKeySequence::Back);
    actBack->setEnabled(false);
    actForward = bar->addAction(QStringLiteral("&Forward"));
    actForward->setObjectName(QStringLiteral("actForward"));
    actForward->setShortcut(QKeySequence::Forward);
    actForward->setEnabled(false);
    actHome = bar->addAction(QStringLiteral("&Contents"));
    actHome->setObjectName(QStringLiteral("actHome"));
    actHome->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Home));
    bar->addSeparator();
    auto* findLabel = new QLabel(QStringLiteral("F&ind: "), bar);
    txtFind = new QLineEdit(bar);
    txtFind->setObjectName(QStringLiteral("txtFind"));
    txtFind->setPlaceholderText(QStringLiteral("Text on this page"));
    txtFind->setClearButtonEnabled(true);
    txtFind->setMaximumWidth(240);
    findLabel->setBuddy(txtFind);
    bar->addWidget(findLabel);
    bar->addWidget(txtFind);
    auto* findNextAction = new QAction(this);
    findNextAction->setShortcuts(QKeySequence::FindNext);
    addAction(findNextAction);
    auto* findPreviousAction = new QAction(this);
    findPreviousAction->setShortcuts(QKeySequence::FindPrevious);
    addAction(findPreviousAction);
    auto* findAction = new QAction(this);
    findAction->setShortcuts(QKeySequence::Find);
    addAction(findAction);
    // Closing from the keyboard, as in other help viewers.
    auto* closeAction = new QAction(this);
    closeAction->setObjectName(QStringLiteral("actClose"));
    closeAction->setShortcuts({QKeySequence(QKeySequence::Close), QKeySequence(Qt::Key_Escape)});
    addAction(closeAction);
    connect(closeAction, &QAction::triggered, this, &QWidget::close);

    statusBar()->setObjectName(QStringLiteral("statusBar"));

    connect(actBack, &QAction::triggered, textBrowser, &QTextBrowser::backward);
    connect(actForward, &QAction::triggered, textBrowser, &QTextBrowser::forward);
    connect(actHome, &QAction::triggered, this, [this] { textBrowser->setSource(contentsPage()); });
    connect(textBrowser, &QTextBrowser::backwardAvailable, actBack, &QAction::setEnabled);
    connect(textBrowser, &QTextBrowser::forwardAvailable, actForward, &QAction::setEnabled);
    connect(textBrowser, &QTextBrowser::sourceChanged, this, &HelpBrowser::pageChanged);
    connect(textBrowser, qOverload<const QUrl&>(&QTextBrowser::highlighted), this,
            [this](const QUrl& url) { statusBar()->showMessage(url.isEmpty() ? QString() : url.toString()); });
    // A click and Enter both open a topic; whichever comes second finds the page already open.
    const auto openTopic = [this](QTreeWidgetItem* item) {
        const QUrl url = item->data(0, Qt::UserRole).toUrl();
        if (!url.isEmpty() && url != textBrowser->source())
            textBrowser->setSource(url);
    };
    connect(treeContents, &QTreeWidget::itemActivated, this, openTopic);
    connect(treeContents, &QTreeWidget::itemClicked, this, openTopic);
    connect(txtFind, &QLineEdit::returnPressed, this, [this] { findNext(false); });
    connect(findNextAction, &QAction::triggered, this, [this] { findNext(false); });
    connect(findPreviousAction, &QAction::triggered, this, [this] { findNext(true); });
    connect(findAction, &QAction::triggered, this, [this] {
        txtFind->setFocus();
        txtFind->selectAll();
    });

    buildContents();
    textBrowser->setSource(contentsPage());
    textBrowser->setFocus();
    resize(940, 660);
}

HelpBrowser* HelpBrowser::Open(QWidget* owner, const QString& page)
{
    HelpBrowser* help = owner ? owner->findChild<HelpBrowser*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!help) {
        help = new HelpBrowser(owner);
        help->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (!page.isEmpty())
        help->showPage(page);
    help->show();
    help->raise();
    help->activateWindow();
    return help;
}

void HelpBrowser::showPage(const QString& page)
{
    textBrowser->setSource(contentsPage().resolved(QUrl(page)));
}

QUrl HelpBrowser::currentPage() const
{
    return textBrowser->source();
}

void HelpBrowser::buildContents()
{
    // The contents pane follows the contents page: its headings become the branches and its links
    // the topics, so the two never disagree.
    QFile file(contentsPage().toLocalFile());
    if (!file.open(QIODevice::ReadOnly))
        return;
    QTextDocument page;
    page.setHtml(QString::fromUtf8(file.readAll()));

    auto* home = new QTreeWidgetItem(treeContents, {QStringLiteral("Contents")});
    home->setData(0, Qt::UserRole, contentsPage());
    QTreeWidgetItem* branch = nullptr;
    for (QTextBlock block = page.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 2) {
            branch = new QTreeWidgetItem(treeContents, {block.text().trimmed()});
            branch->setFlags(branch->flags() & ~Qt::ItemIsSelectable);
            continue;
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString href = fragment.charFormat().anchorHref();
            if (!fragment.isValid() || href.isEmpty())
                continue;
            QTreeWidgetItem* parent = branch ? branch : treeContents->invisibleRootItem();
            auto* topic = new QTreeWidgetItem(parent, {fragment.text().trimmed()});
            topic->setToolTip(0, topic->text(0));
            topic->setData(0, Qt::UserRole, contentsPage().resolved(QUrl(href)));
        }
    }
    treeContents->expandAll();
}

void HelpBrowser::pageChanged(const QUrl& url)
{
    const QString title = textBrowser->documentTitle();
    const QString book = QStringLiteral("Tumblerix Help");
    setWindowTitle(title.isEmpty() || title == book ? book : book + QStringLiteral(" - ") + title);
    // Keep the contents pane on the page being read.
    QUrl page = url;
    page.setFragment(QString());
    for (QTreeWidgetItemIterator it(treeContents); *it; ++it) {
        QUrl topic = (*it)->data(0, Qt::UserRole).toUrl();
        topic.setFragment(QString());
        if (!topic.isEmpty() && topic == page) {
            treeContents->setCurrentItem(*it);
            break;
        }
    }
}

void HelpBrowser::findNext(bool backwards)
{
    const QString text = txtFind->text();
    if (text.isEmpty())
        return;
    const QTextDocument::FindFlags flags = backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (!textBrowser->find(text, flags)) {
        // From the top again once the end is reached.
        QTextCursor cursor = textBrowser->textCursor();
        cursor.movePosition(backwards ? QTextCursor::End : QTextCursor::Start);
        textBrowser->setTextCursor(cursor);
        if (!textBrowser->find(text, flags))
            statusBar()->showMessage(QStringLiteral("\"%1\" is not on this page.").arg(text), 4000);
    }
}
