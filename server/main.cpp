// tumblerix-exchange: a drink exchange service that Tumblerix can check for updates and submit
// drinks to. Serves the drink documents of one folder.

#include "ExchangeService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tumblerix-exchange"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TUMBLERIX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves the drink documents (<name>.xml) of FOLDER as drink database updates for Tumblerix and keeps "
        "the drinks submitted to it. A document's release date is its file's modification date."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption hostOption(QStringLiteral("host"),
                                        QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                        QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on (default 8080; 0 picks "
                                                       "a free one)."),
                                        QStringLiteral("port"), QStringLiteral("8080"));
    const QCommandLineOption submissionsOption(
        QStringLiteral("submissions"),
        QStringLiteral("Folder for submitted drinks (default FOLDER/submissions)."),
        QStringLiteral("folder"));
    parser.addOptions({hostOption, portOption, submissionsOption});
    parser.addPositionalArgument(QStringLiteral("FOLDER"), QStringLiteral("The folder of drink documents."));
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        err << "Give exactly one folder of drink documents (see --help)." << Qt::endl;
        return 2;
    }
    const QDir folder(positional.constFirst());
    if (!folder.exists()) {
        err << "The folder " << folder.path() << " does not exist." << Qt::endl;
        return 2;
    }
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    const QHostAddress host(parser.value(hostOption));
    if (!portOk || port > 65535 || host.isNull()) {
        err << "The address or port is not valid." << Qt::endl;
        return 2;
    }

    ExchangeService::Options options;
    options.documents = folder.absolutePath();
    if (parser.isSet(submissionsOption))
        options.submissions = QDir(parser.value(submissionsOption)).absolutePath();
    ExchangeService service(options);
    service.setLog([&out](const QString& line) {
        out << QDateTime::currentDateTime().toString(Qt::ISODate) << ' ' << line << Qt::endl;
    });
    QString error;
    const quint16 actual = service.start(host, quint16(port), &error);
    if (actual == 0) {
        err << "Cannot listen on " << host.toString() << ':' << port << ": " << error << Qt::endl;
        return 1;
    }
    const QString shown = host.protocol() == QAbstractSocket::IPv6Protocol
                              ? QLatin1Char('[') + host.toString() + QLatin1Char(']')
                              : host.toString();
    out << "Listening on http://" << shown << ':' << actual << "/ serving " << options.documents << Qt::endl;
    return QCoreApplication::exec();
}
