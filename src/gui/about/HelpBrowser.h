#pragma once

#include <QMainWindow>
#include <QUrl>

class QAction;
class QLineEdit;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

// The program's help book: HTML pages compiled into the program, shown with a contents pane,
// Back/Forward/Contents and a find box. Opens on the contents page.
class HelpBrowser : public QMainWindow
{
    Q_OBJECT

public:
    explicit HelpBrowser(QWidget* parent = nullptr);

    // Help > Content: brings the owner's help window forward (one per owner, made on first use,
    // deleted when closed) and, when a page is given, turns to it.
    static HelpBrowser* Open(QWidget* owner, const QString& page = QString());

    // A page of the book by file name ("stock.html", "menus.html#edit").
    void showPage(const QString& page);
    QUrl currentPage() const;

    // Where the book lives and its first page.
    static QUrl contentsPage();
    static QString bookFolder();

private:
    void buildContents();
    void pageChanged(const QUrl& url);
    void findNext(bool backwards);

    QTextBrowser* textBrowser;
    QTreeWidget* treeContents;
    QLineEdit* txtFind;
    QAction* actBack;
    QAction* actForward;
    QAction* actHome;
};
