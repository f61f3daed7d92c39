#pragma once

// What a printed PDF file shows, read with pdftotext -bbox (Debian package poppler-utils, installed
// by scripts/install-deps.sh). Header only: the support library itself needs no process handling.

#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QSizeF>
#include <QString>

struct PdfWord
{
    QString text;
    int page = 0;  // from 1
    QRectF box;    // in points from the page's top-left corner
};

struct PdfText
{
    QList<QSizeF> pages; // each page's size in points
    QList<PdfWord> words; // in reading order

    // Every place the word stands, first to last.
    QList<PdfWord> find(const QString& text) const
    {
        QList<PdfWord> found;
        for (const PdfWord& w : words) {
            if (w.text == text)
                found << w;
        }
        return found;
    }
};

// The file's pages and words; stops the test program when pdftotext cannot read it.
inline PdfText readPdf(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qFatal("pdftotext could not read %s", qPrintable(path));
    static const QRegularExpression tag(QStringLiteral(
        "<page width=\"([0-9.]+)\" height=\"([0-9.]+)\"|"
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
    PdfText pdf;
    for (auto it = tag.globalMatch(QString::fromUtf8(p.readAllStandardOutput())); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const auto at = [&m](int i) { return m.captured(i).toDouble(); };
        if (m.capturedLength(1) > 0)
            pdf.pages << QSizeF(at(1), at(2));
        else
            pdf.words << PdfWord{m.captured(7), int(pdf.pages.size()), QRectF(QPointF(at(3), at(4)), QPointF(at(5), at(6)))};
    }
    return pdf;
}
