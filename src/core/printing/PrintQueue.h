#pragma once

#include "core/printing/PrintLayout.h"

#include <QFile>
#include <QObject>
#include <QString>
#include <QStringList>

// The print queue file "print.que" in the data folder and the main window's collecting state.
// While collecting, the file is held open and every added drink is appended as one record; clearing
// stops collecting and leaves the file's content on disk until the next add starts it anew.
class PrintQueue : public QObject
{
    Q_OBJECT

public:
    explicit PrintQueue(const QString& dataFolder, QObject* parent = nullptr);
    ~PrintQueue() override;

    QString filePath() const { return m_path; }
    bool isCollecting() const { return m_file.isOpen(); }
    // Records added since collecting began.
    int count() const { return m_count; }

    // Appends one record. When not collecting, the file is first created anew (an old one is
    // emptied). A record without a name adds nothing and returns false with no error. Returns false
    // with a reason when the file cannot be written.
    bool add(const Printing::RecipeRecord& record, QString* error = nullptr);
    // Stops collecting. The file's content stays.
    void clear();

    // The file's lines as they are on disk (empty when there is no file).
    QStringList readLines(QString* error = nullptr) const;

    // Replaces the file with the given records in one step (the selection window's printing).
    // Refused while the main window is collecting, so its drinks are never lost.
    bool rewrite(const QList<Printing::RecipeRecord>& records, QString* error = nullptr);

Q_SIGNALS:
    // Collecting started or stopped; the main window follows it with its menu entries.
    void collectingChanged(bool collecting);

private:
    QString m_path;
    QFile m_file;
    int m_count = 0;
};
