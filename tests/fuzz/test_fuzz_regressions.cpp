// Replays the fuzz seeds and every input the fuzzers ever found a fault with through the same
// checks the fuzz targets make, and pins the faults found down with direct tests.

#include "ExchangeService.h"
#include "FuzzChecks.h"
#include "core/slideshow/PictureList.h"
#include "core/exchange/ExchangeDocument.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

using namespace Online;

class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keptInputs_data();
    void keptInputs();
    void seedsExist();
    void longInputsTakeLinearTime_data();
    void longInputsTakeLinearTime();
    void declaredEncodings_data();
    void declaredEncodings();
    void cdataEndInTexts_data();
    void cdataEndInTexts();
};

void TestFuzzRegressions::keptInputs_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    const QDir root(QStringLiteral(TUMBLERIX_FUZZ_DIR));
    for (const FuzzChecks::Target& target : FuzzChecks::Targets) {
        const QString name = QString::fromLatin1(target.name);
        for (const char* kind : {"corpus", "regressions"}) {
            const QDir dir(root.filePath(QLatin1String(kind) + QLatin1Char('/') + name));
            const QStringList files = dir.entryList(QDir::Files, QDir::Name);
            for (const QString& file : files) {
                const QString tag = QLatin1String(kind) + QLatin1Char('/') + name + QLatin1Char('/') + file;
                QTest::newRow(tag.toUtf8().constData()) << name << dir.filePath(file);
            }
        }
    }
}

void TestFuzzRegressions::keptInputs()
{
    QFETCH(QString, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
    const QByteArray bytes = file.readAll();
    for (const FuzzChecks::Target& t : FuzzChecks::Targets) {
        if (target == QLatin1String(t.name)) {
            QElapsedTimer timer;
            timer.start();
            const QString problem = t.check(bytes);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            // The fuzzers call anything slower than this a hang.
            QVERIFY2(timer.elapsed() < 10000, qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
            return;
        }
    }
    QFAIL("no such target");
}

void TestFuzzRegressions::seedsExist()
{
    // An empty folder would make the replay above pass without testing anything.
    const QDir root(QStringLiteral(TUMBLERIX_FUZZ_DIR));
    for (const FuzzChecks::Target& target : FuzzChecks::Targets) {
        const QDir dir(root.filePath(QStringLiteral("corpus/") + QLatin1String(target.name)));
        QVERIFY2(!dir.entryList(QDir::Files).isEmpty(), target.name);
    }
}

namespace {

QByteArray repeated(const char* piece, qsizetype totalBytes)
{
    const QByteArray p(piece);
    return p.repeated(totalBytes / p.size());
}

} // namespace

// Inputs as large as the readers accept, made of what used to cost a pass over the rest of the
// input each time: a quote after blanks and text in the picture list, a "*" or "&" in a
// submission body.
void TestFuzzRegressions::longInputsTakeLinearTime_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("first"); // the first entry / what the decoded text starts with
    QTest::addColumn<int>("count");     // the number of entries / the decoded text's size

    const qsizetype mib = 1024 * 1024;
    const qsizetype body = mib - 8; // the service's limit, "xml_doc=" included
    QTest::newRow("picture list: blanks, text, quotes")
        << QStringLiteral("pictures")
        << QByteArray(repeated(" ", mib / 2) + "a" + repeated("\"", mib / 2) + "\r\nsecond.png")
        << QString(QLatin1Char('a') + QString(mib / 2, QLatin1Char('"'))) << 2;
    QTest::newRow("submission: stars")
        << QStringLiteral("submission") << QByteArray("xml_doc=" + repeated("*", body))
        << QStringLiteral("**") << int(body);
    QTest::newRow("submission: star entities")
        << QStringLiteral("submission") << QByteArray("xml_doc=" + repeated("*lt;", body))
        << QStringLiteral("&lt;&lt;") << int(body);
    QTest::newRow("submission: character references")
        << QStringLiteral("submission") << QByteArray("xml_doc=" + repeated("&#65;", body))
        << QStringLiteral("AA") << int(body / 5);
}

void TestFuzzRegressions::longInputsTakeLinearTime()
{
    QFETCH(QString, reader);
    QFETCH(QByteArray, input);
    QFETCH(QString, first);
    QFETCH(int, count);

    QElapsedTimer timer;
    timer.start();
    if (reader == QLatin1String("pictures")) {
        const QStringList entries = PictureList::parse(input);
        QCOMPARE(entries.size(), count);
        QCOMPARE(entries.constFirst(), first);
    } else {
        QString error;
        const std::optional<QString> decoded = ExchangeService::DecodeSubmissionBody(input, &error);
        QVERIFY2(decoded, qPrintable(error));
        QCOMPARE(decoded->size(), count);
        QVERIFY(decoded->startsWith(first));
        QVERIFY(decoded->endsWith(first));
    }
    // These took minutes before; now a fraction of a second in a normal build. The margin is for
    // sanitizer builds on a busy machine.
    QVERIFY2(timer.elapsed() < 20000, qPrintable(QStringLiteral("%1 ms").arg(timer.elapsed())));
}

// A document in another encoding is read as it declares, but what the decoding leaves must be
// characters a document can hold: UTF-7 can end a run in half a surrogate pair.
void TestFuzzRegressions::declaredEncodings_data()
{
    QTest::addColumn<QByteArray>("document");
    QTest::addColumn<QString>("name");   // empty: refused
    QTest::addColumn<QString>("reason"); // what the refusal says

    const auto drink = [](const char* encoding, const QByteArray& name) -> QByteArray {
        return QByteArray("<?xml version=\"1.0\" encoding=\"") + encoding + "\" ?><drinks><drink><name>" +
               name +
               "</name><directions>Stir.</directions><glassType>1</glassType><ingredients><ingredient>"
               "<amount>1 oz</amount><type>Gin</type></ingredient></ingredients></drink></drinks>";
    };
    QTest::newRow("UTF-8") << drink("utf-8", "Caf\xc3\xa9") << QStringLiteral("Caf\u00e9") << QString();
    QTest::newRow("ISO-8859-1") << drink("ISO-8859-1", "Caf\xe9") << QStringLiteral("Caf\u00e9") << QString();
    QTest::newRow("UTF-7, whole characters")
        << drink("utf-7", "Caf+AOk-") << QStringLiteral("Caf\u00e9") << QString();
    QTest::newRow("UTF-7, half a surrogate pair")
        << drink("utf-7", "Cup+2D0-") << QString() << QStringLiteral("declared encoding");
    QTest::newRow("UTF-7, a control character")
        << drink("utf-7", "Cup+AAE-") << QString() << QStringLiteral("line 1");
}

void TestFuzzRegressions::declaredEncodings()
{
    QFETCH(QByteArray, document);
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QString error;
    const std::optional<QList<ExchangeDrink>> drinks = ReadDrinkDocument(document, &error);
    if (name.isEmpty()) {
        QVERIFY(!drinks);
        QVERIFY2(error.contains(reason), qPrintable(error));
    } else {
        QVERIFY2(drinks, qPrintable(error));
        QCOMPARE(drinks->size(), 1);
        QCOMPARE(drinks->constFirst().name, name);
    }
}

// "]]>" may not stand in XML text, so a drink holding it was exported as a document nobody could
// read, the service included. Its ">" is written as an entity now; other texts stay byte for byte.
void TestFuzzRegressions::cdataEndInTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("encoded");

    QTest::newRow("in the middle") << QStringLiteral("Fizz ]]> Pop") << QStringLiteral("Fizz ]]&gt; Pop");
    QTest::newRow("alone") << QStringLiteral("]]>") << QStringLiteral("]]&gt;");
    QTest::newRow("three brackets") << QStringLiteral("a]]]>") << QStringLiteral("a]]]&gt;");
    QTest::newRow("twice") << QStringLiteral("]]>]]>") << QStringLiteral("]]&gt;]]&gt;");
    QTest::newRow("one bracket") << QStringLiteral("a]>b") << QStringLiteral("a]>b");
    QTest::newRow("brackets apart") << QStringLiteral("] ]>") << QStringLiteral("] ]>");
    QTest::newRow("after a reference") << QStringLiteral("\u00e9]]>") << QStringLiteral("&#233;]]&gt;");
}

void TestFuzzRegressions::cdataEndInTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, encoded);
    QCOMPARE(XMLEncodeEx(text), encoded);

    const ExchangeDrink drink{text, text, QStringLiteral("2"), {{text, text, true, QString()}}};
    const QString document = WriteDrinkDocument(drink);
    QVERIFY(!document.contains(QLatin1String("]]>")));
    QString error;
    const std::optional<QList<ExchangeDrink>> read = ReadDrinkDocument(document.toUtf8(), &error);
    QVERIFY2(read, qPrintable(error));
    QCOMPARE(read->size(), 1);
    const ExchangeDrink& back = read->constFirst();
    QCOMPARE(back.name, text.trimmed());
    QCOMPARE(back.directions, text);
    QCOMPARE(back.ingredients.size(), 1);
    QCOMPARE(back.ingredients.constFirst().amount, text);
    QCOMPARE(back.ingredients.constFirst().type, text);

    // The same drink submitted to the service.
    QCOMPARE(FuzzChecks::submissionBody(text.toUtf8()), QString());
}

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "test_fuzz_regressions.moc"
