// Replays the fuzz seeds and every input the fuzzers ever found a fault with through the same
// checks the fuzz targets make, and pins the faults found down with direct tests.

#include "ExchangeService.h"
#include "FuzzChecks.h"
#include "core/exchange/ExchangeDocument.h"
#include "core/slideshow/PictureList.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>

using namespace Online;
using namespace Qt::StringLiterals;

class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keptInputs_data()
    {
        QTest::addColumn<int>("target");
        QTest::addColumn<QString>("path");
        const QDir root(QStringLiteral(TUMBLERIX_FUZZ_DIR));
        for (int t = 0; t < int(std::size(FuzzChecks::Targets)); ++t) {
            const QString name = QString::fromLatin1(FuzzChecks::Targets[t].name);
            // An empty seed folder would let the replay pass without testing anything.
            QVERIFY2(!QDir(root.filePath(u"corpus/"_s + name)).isEmpty(QDir::Files), qPrintable(name));
            for (const QString& kind : {u"corpus/"_s, u"regressions/"_s}) {
                const QDir dir(root.filePath(kind + name));
                for (const QString& file : dir.entryList(QDir::Files, QDir::Name))
                    QTest::newRow(qPrintable(kind + name + u'/' + file)) << t << dir.filePath(file);
            }
        }
    }
    void keptInputs()
    {
        QFETCH(int, target);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        QElapsedTimer timer;
        timer.start();
        const QString problem = FuzzChecks::Targets[target].check(file.readAll());
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        // The fuzzers call anything slower than this a hang.
        QVERIFY2(timer.elapsed() < 10000, qPrintable(u"%1 ms"_s.arg(timer.elapsed())));
    }

    // Inputs as large as the readers accept, made of what used to cost a pass over the rest of the
    // input each time: a quote after blanks and text in the picture list, a "*" or "&" in a
    // submission body.
    void longInputsTakeLinearTime_data()
    {
        QTest::addColumn<QByteArray>("input"); // a submission body, or else a picture list
        QTest::addColumn<QString>("first");    // the first entry / what the decoded text starts with
        QTest::addColumn<int>("count");        // the number of entries / the decoded text's size
        const qsizetype mib = 1024 * 1024, body = mib - 8; // the service's limit, "xml_doc=" included
        QTest::newRow("picture list: blanks, text, quotes")
            << QByteArray(" ").repeated(mib / 2) + "a" + QByteArray("\"").repeated(mib / 2) + "\r\nsecond.png"
            << u'a' + QString(mib / 2, u'"') << 2;
        QTest::newRow("submission: stars") << "xml_doc=" + "*"_ba.repeated(body) << u"**"_s << int(body);
        QTest::newRow("submission: star entities") << "xml_doc=" + QByteArray("*lt;").repeated(body / 4)
                                                   << u"&lt;&lt;"_s << int(body / 4 * 4);
        QTest::newRow("submission: character references") << "xml_doc=" + "&#65;"_ba.repeated(body / 5)
                                                           << u"AA"_s << int(body / 5);
    }
    void longInputsTakeLinearTime()
    {
        QFETCH(QByteArray, input);
        QFETCH(QString, first);
        QFETCH(int, count);
        QElapsedTimer timer;
        timer.start();
        if (!input.startsWith("xml_doc=")) {
            const QStringList entries = PictureList::parse(input);
            QCOMPARE(entries.size(), count);
            QCOMPARE(entries.constFirst(), first);
        } else {
            QString error;
            const std::optional<QString> decoded = ExchangeService::DecodeSubmissionBody(input, &error);
            QVERIFY2(decoded, qPrintable(error));
            QCOMPARE(decoded->size(), count);
            QVERIFY(decoded->startsWith(first) && decoded->endsWith(first));
        }
        // These took minutes before; now a fraction of a second in a normal build. The margin is for
        // sanitizer builds on a busy machine.
        QVERIFY2(timer.elapsed() < 20000, qPrintable(u"%1 ms"_s.arg(timer.elapsed())));
    }

    // A document in another encoding is read as it declares, but what the decoding leaves must be
    // characters a document can hold: UTF-7 can end a run in half a surrogate pair.
    void declaredEncodings_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("name"); // empty: refused, for the reason below
        const auto drink = [](const char* encoding, const QByteArray& name) -> QByteArray {
            return "<?xml version=\"1.0\" encoding=\"" + QByteArray(encoding) + "\" ?><drinks><drink><name>" +
                   name +
                   "</name><directions>Stir.</directions><glassType>1</glassType><ingredients><ingredient>"
                   "<amount>1 oz</amount><type>Gin</type></ingredient></ingredients></drink></drinks>";
        };
        QTest::addColumn<QString>("reason");
        QTest::newRow("UTF-8") << drink("utf-8", "Caf\xc3\xa9") << u"Caf\u00e9"_s << QString();
        QTest::newRow("ISO-8859-1") << drink("ISO-8859-1", "Caf\xe9") << u"Caf\u00e9"_s << QString();
        QTest::newRow("UTF-7, whole characters") << drink("utf-7", "Caf+AOk-") << u"Caf\u00e9"_s << QString();
        QTest::newRow("UTF-7, half a surrogate pair")
            << drink("utf-7", "Cup+2D0-") << QString() << u"line 1: the text holds characters a document"_s;
        QTest::newRow("UTF-7, a control") << drink("utf-7", "Cup+AAE-") << QString() << u"line 1, column"_s;
    }
    void declaredEncodings()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, name);
        QFETCH(QString, reason);
        QString error;
        const std::optional<QList<ExchangeDrink>> drinks = ReadDrinkDocument(document, &error);
        if (name.isEmpty())
            QVERIFY2(!drinks && error.startsWith(reason), qPrintable(error));
        else
            QCOMPARE(drinks.value_or(QList<ExchangeDrink>()).value(0).name, name);
    }

    // "]]>" may not stand in XML text, so a drink holding it was exported as a document nobody could
    // read, the service included. Its ">" is written as an entity now; other texts stay byte for byte.
    void cdataEndInTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("in the middle") << u"Fizz ]]> Pop"_s << u"Fizz ]]&gt; Pop"_s;
        QTest::newRow("three brackets") << u"a]]]>"_s << u"a]]]&gt;"_s;
        QTest::newRow("twice") << u"]]>]]>"_s << u"]]&gt;]]&gt;"_s;
        QTest::newRow("one bracket") << u"a]>b"_s << u"a]>b"_s;
        QTest::newRow("brackets apart") << u"] ]>"_s << u"] ]>"_s;
        QTest::newRow("after a reference") << u"\u00e9]]>"_s << u"&#233;]]&gt;"_s;
    }
    void cdataEndInTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, encoded);
        QCOMPARE(XMLEncodeEx(text), encoded);
        // The text as name, directions, amount and ingredient of a drink, written, submitted to the
        // service and read back.
        const QByteArray drink = QStringList(4, text).join(u'\n').toUtf8();
        QCOMPARE(FuzzChecks::submissionBody(drink), QString());
        QVERIFY(ReadDrinkDocument(WriteDrinkDocument({text, text, u"2"_s, {}}).toUtf8(), nullptr));
    }
};

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "test_fuzz_regressions.moc"
