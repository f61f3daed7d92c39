#include "core/cli/CommandLine.h"

#include "core/formats/Importer.h"
#include "core/maths/DrinkMaths.h"
#include "core/planner/BarPlanner.h"
#include "core/store/Catalogue.h"
#include "core/store/DBLib.h"
#include "core/store/DataFolder.h"
#include "core/store/DerivedFlags.h"
#include "core/store/Failure.h"
#include "core/store/ProgramData.h"
#include "core/store/RecipeRepository.h"
#include "core/store/StarterData.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <functional>
#include <optional>

namespace CommandLine {

namespace {

const QStringList Subcommands = {QStringLiteral("list"),  QStringLiteral("show"),   QStringLiteral("plan"),
                                 QStringLiteral("stock"), QStringLiteral("import"), QStringLiteral("export")};

// Thrown for arguments that make no sense; the message says which and how they go.
struct UsageError
{
    QString message;
};

// The arguments of a subcommand, taken from the front.
class Arguments
{
public:
    explicit Arguments(QStringList list) : m_list(std::move(list)) {}

    bool empty() const { return m_list.isEmpty(); }
    QString take() { return m_list.takeFirst(); }
    // "--name value" or "--name=value"; nothing when the option is not next.
    std::optional<QString> takeValue(const QString& name)
    {
        if (m_list.isEmpty())
            return std::nullopt;
        const QString first = m_list.first();
        if (first == name) {
            m_list.removeFirst();
            if (m_list.isEmpty())
                throw UsageError{QStringLiteral("%1 needs a value.").arg(name)};
            return m_list.takeFirst();
        }
        if (first.startsWith(name + QLatin1Char('='))) {
            m_list.removeFirst();
            return first.mid(name.size() + 1);
        }
        return std::nullopt;
    }
    bool takeFlag(const QString& name)
    {
        if (!m_list.isEmpty() && m_list.first() == name) {
            m_list.removeFirst();
            return true;
        }
        return false;
    }
    const QString& first() const { return m_list.first(); }

private:
    QStringList m_list;
};

struct Context
{
    QTextStream& out;
    QTextStream& err;
    DataFolder::Choice folder;
};

Maths::Settings MathsSettings()
{
    Maths::Settings settings;
    settings.standard = Maths::StandardDrinkPreference();
    return settings;
}

// Opens the data folder's database, creating it from the starter recipes when there is none.
// Returns whether it did so.
bool openDatabase(const DataFolder::Choice& folder)
{
    QString error;
    if (!DataFolder::ensureExists(folder.path, &error))
        throw std::runtime_error(error.toStdString());
    const QString path = DataFolder::databasePath(folder.path);
    if (QFileInfo::exists(path)) {
        DBLib::OpenRecipeDatabase(path);
        return false;
    }
    StarterData::CreateStarterDatabase(path);
    return true;
}

void printJson(QTextStream& out, const QJsonObject& object)
{
    out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

QJsonArray names(const QList<Planner::Drink>& drinks)
{
    QJsonArray array;
    for (const Planner::Drink& d : drinks)
        array.append(d.name.toString());
    return array;
}

int report(Context& c)
{
    c.out << "Data folder: " << c.folder.path << " (" << c.folder.reason << ")\n"
          << "Program files: "
          << (ProgramData::folder().isEmpty() ? QStringLiteral("not found (looked in %1)").arg(ProgramData::path(QString()))
                                              : ProgramData::folder())
          << "\n";
    c.out.flush();
    const bool created = openDatabase(c.folder);
    const QString path = DataFolder::databasePath(c.folder.path);
    c.out << "Recipe database: " << path << (created ? " (new, from the starter recipes)" : "") << "\n";
    const std::pair<const char*, DBLib::Count> counts[] = {{"Drinks", DBLib::Count::Drinks},
                                                            {"Ingredients", DBLib::Count::Ingredients},
                                                            {"GlassTypes", DBLib::Count::GlassTypes},
                                                            {"Tips", DBLib::Count::Tips}};
    for (const auto& [table, what] : counts)
        c.out << table << ": " << DBLib::CountRecords(what) << "\n";
    return Success;
}

int check(Context& c, Arguments& a)
{
    if (!a.empty())
        throw UsageError{QStringLiteral("check takes no argument \"%1\".").arg(a.first())};
    openDatabase(c.folder);
    const QStringList problems = DBLib::CheckRecipeDatabase();
    if (problems.isEmpty()) {
        c.out << "The recipe database " << DataFolder::databasePath(c.folder.path) << " is intact." << Qt::endl;
        return Success;
    }
    c.err << "The recipe database " << DataFolder::databasePath(c.folder.path) << " is damaged:" << Qt::endl;
    for (const QString& problem : problems)
        c.err << "  " << problem << Qt::endl;
    return Failure;
}

int list(Context& c, Arguments& a)
{
    QString view = QStringLiteral("all");
    if (const auto v = a.takeValue(QStringLiteral("--view")))
        view = *v;
    if (!a.empty())
        throw UsageError{QStringLiteral("list takes no argument \"%1\".").arg(a.first())};
    // The stock views say so when nothing suitable is in stock, as the window does.
    const auto searching = [&c](DBLib::ViewAnswer answer, const char* emptyMessage) {
        if (answer.stockListEmpty)
            c.err << emptyMessage << Qt::endl;
        return answer.names;
    };
    const std::map<QString, std::function<QStringList()>> views = {
        {QStringLiteral("all"), [] { return DBLib::AllDrinkNames(); }},
        {QStringLiteral("favorites"), [] { return DBLib::FavoriteDrinkNames(); }},
        {QStringLiteral("stock"),
         [&] {
             return searching(DBLib::DrinksAvailableWithCurrentStock(),
                              "You need at least one ingredient in the current stock list to use this feature");
         }},
        {QStringLiteral("nonalcoholic"), [] { return DBLib::AllNonAlcoholicDrinks().names; }},
        {QStringLiteral("stock-nonalcoholic"),
         [&] {
             return searching(DBLib::NonAlcoholicDrinksAvailableWithCurrentStock(),
                              "You need at least one non-alcoholic ingredient in the current stock list to use "
                              "this feature");
         }},
    };
    const auto found = views.find(view);
    if (found == views.end())
        throw UsageError{QStringLiteral("--view must be all, favorites, stock, nonalcoholic or stock-nonalcoholic, "
                                        "not \"%1\".")
                             .arg(view)};
    openDatabase(c.folder);
    for (const QString& name : found->second())
        c.out << name << '\n';
    return Success;
}

int show(Context& c, Arguments& a)
{
    if (a.empty())
        throw UsageError{QStringLiteral("show needs the name of a drink.")};
    const QString name = a.take();
    const bool json = a.takeFlag(QStringLiteral("--json"));
    if (!a.empty())
        throw UsageError{QStringLiteral("show takes no argument \"%1\".").arg(a.first())};
    openDatabase(c.folder);
    const std::optional<DBLib::Drink> drink = DBLib::ReadDrink(name);
    if (!drink) {
        c.err << QStringLiteral("There is no drink named \"%1\".").arg(name) << Qt::endl;
        return Failure;
    }
    const Maths::DrinkMaths maths = Maths::Compute(*drink, MathsSettings());
    if (json) {
        QJsonArray lines;
        for (qsizetype i = 0; i < drink->lines.size(); ++i) {
            const DBLib::RecipeLine& line = drink->lines.at(i);
            QJsonObject l{{QStringLiteral("amount"), line.amount}, {QStringLiteral("ingredient"), line.ingredient}};
            if (const std::optional<double> ml = maths.lines.at(i).ml)
                l.insert(QStringLiteral("ml"), *ml);
            if (line.strength)
                l.insert(QStringLiteral("strength"), *line.strength);
            lines.append(l);
        }
        QJsonObject object{{QStringLiteral("name"), drink->name},
                           {QStringLiteral("glass"), drink->glassName},
                           {QStringLiteral("directions"), drink->description},
                           {QStringLiteral("lines"), lines},
                           {QStringLiteral("volumeMl"), maths.volumeMl},
                           {QStringLiteral("method"), Maths::MethodName(maths.method)}};
        if (maths.abv) {
            object.insert(QStringLiteral("abv"), *maths.abv);
            object.insert(QStringLiteral("abvServed"), *maths.abvServed);
            object.insert(QStringLiteral("standardDrinks"), *maths.standardDrinks);
        }
        printJson(c.out, object);
        return Success;
    }
    c.out << drink->name << '\n' << drink->glassName << "\n\n";
    for (const DBLib::RecipeLine& line : drink->lines)
        c.out << "  " << DBLib::RecipeLineText(line) << '\n';
    if (!drink->description.isEmpty())
        c.out << '\n' << drink->description << '\n';
    if (maths.abv)
        c.out << '\n' << Maths::Summary(maths, MathsSettings()) << '\n';
    return Success;
}

int importFiles(Context& c, Arguments& a)
{
    QStringList paths;
    while (!a.empty())
        paths << a.take();
    if (paths.isEmpty())
        throw UsageError{QStringLiteral("import needs at least one file or folder.")};
    for (const QString& path : std::as_const(paths)) {
        if (!QFileInfo::exists(path)) {
            c.err << QStringLiteral("%1 does not exist.").arg(path) << Qt::endl;
            return Failure;
        }
    }
    openDatabase(c.folder);
    const Formats::ImportSummary summary = Formats::Import(paths);
    c.out << summary.text() << '\n';
    for (const Formats::FileResult& f : summary.files) {
        if (!f.error.isEmpty())
            return Failure;
    }
    return Success;
}

int exportFiles(Context& c, Arguments& a)
{
    Formats::Format format = Formats::Format::BarAssistantJson;
    QStringList names;
    QString output;
    while (!a.empty()) {
        if (const auto f = a.takeValue(QStringLiteral("--format"))) {
            const std::map<QString, Formats::Format> formats = {{QStringLiteral("json"), Formats::Format::BarAssistantJson},
                                                                 {QStringLiteral("csv"), Formats::Format::Csv},
                                                                 {QStringLiteral("xml"), Formats::Format::ExchangeXml}};
            const auto found = formats.find(f->toLower());
            if (found == formats.end())
                throw UsageError{QStringLiteral("--format must be json, csv or xml, not \"%1\".").arg(*f)};
            format = found->second;
        } else if (const auto n = a.takeValue(QStringLiteral("--drink"))) {
            names << *n;
        } else if (const auto o = a.takeValue(QStringLiteral("--output"))) {
            output = *o;
        } else {
            throw UsageError{QStringLiteral("export takes no argument \"%1\".").arg(a.first())};
        }
    }
    openDatabase(c.folder);
    if (!output.isEmpty()) {
        QString error;
        if (!Formats::Export(output, format, names, &error)) {
            c.err << error << Qt::endl;
            return Failure;
        }
        return Success;
    }
    QStringList unknown;
    const QByteArray bytes = Formats::ExportBytes(format, names, &unknown);
    if (!unknown.isEmpty()) {
        c.err << QStringLiteral("No drink is named %1; nothing was written.").arg(unknown.join(QStringLiteral(", ")))
              << Qt::endl;
        return Failure;
    }
    c.out.flush();
    QFile standardOutput;
    if (standardOutput.open(stdout, QIODevice::WriteOnly))
        standardOutput.write(bytes);
    return Success;
}

int plan(Context& c, Arguments& a)
{
    Planner::Options options;
    bool json = false;
    qsizetype top = -1;
    while (!a.empty()) {
        if (a.takeFlag(QStringLiteral("--substitutes"))) {
            options.substitutes = true;
        } else if (a.takeFlag(QStringLiteral("--non-alcoholic"))) {
            options.nonAlcoholicOnly = true;
        } else if (a.takeFlag(QStringLiteral("--json"))) {
            json = true;
        } else if (const auto n = a.takeValue(QStringLiteral("--top"))) {
            bool ok = false;
            top = n->toLongLong(&ok);
            if (!ok || top < 1)
                throw UsageError{QStringLiteral("--top needs a whole number of at least 1, not \"%1\".").arg(*n)};
        } else {
            throw UsageError{QStringLiteral("plan takes no argument \"%1\".").arg(a.first())};
        }
    }
    openDatabase(c.folder);
    Planner::Analysis analysis = Planner::Analyse(options);
    if (top > 0) {
        analysis.buyNext = analysis.buyNext.mid(0, top);
        analysis.oneMissing = analysis.oneMissing.mid(0, top);
        analysis.twoMissing = analysis.twoMissing.mid(0, top);
    }
    if (json) {
        QJsonArray buyNext, sequence, oneMissing, twoMissing;
        for (const Planner::BuyNext& b : analysis.buyNext)
            buyNext.append(QJsonObject{{QStringLiteral("ingredient"), b.ingredient.name},
                                       {QStringLiteral("drinks"), b.drinks}});
        for (const Planner::Purchase& p : analysis.sequence)
            sequence.append(QJsonObject{{QStringLiteral("ingredient"), p.ingredient.name},
                                        {QStringLiteral("added"), p.added},
                                        {QStringLiteral("total"), p.total}});
        for (const Planner::OneMissing& g : analysis.oneMissing)
            oneMissing.append(QJsonObject{{QStringLiteral("ingredient"), g.ingredient.name},
                                          {QStringLiteral("drinks"), names(g.drinks)}});
        for (const Planner::TwoMissing& g : analysis.twoMissing)
            twoMissing.append(QJsonObject{{QStringLiteral("ingredients"), QJsonArray{g.first.name, g.second.name}},
                                          {QStringLiteral("drinks"), names(g.drinks)}});
        printJson(c.out, QJsonObject{{QStringLiteral("makeableNow"), analysis.makeableNow},
                                     {QStringLiteral("buyNext"), buyNext},
                                     {QStringLiteral("sequence"), sequence},
                                     {QStringLiteral("oneMissing"), oneMissing},
                                     {QStringLiteral("twoMissing"), twoMissing}});
        return Success;
    }
    c.out << "Drinks you can make now: " << analysis.makeableNow << "\n\nBuy next:\n";
    for (const Planner::BuyNext& b : analysis.buyNext)
        c.out << "  " << b.ingredient.name << " \u2014 " << b.drinks << (b.drinks == 1 ? " drink\n" : " drinks\n");
    c.out << "\nShopping sequence:\n";
    int step = 0;
    for (const Planner::Purchase& p : analysis.sequence)
        c.out << "  " << ++step << ". " << p.ingredient.name << " (+" << p.added << " = " << p.total << ")\n";
    c.out << "\nOne bottle away:\n";
    for (const Planner::OneMissing& g : analysis.oneMissing) {
        c.out << "  " << g.ingredient.name << " (" << g.drinks.size() << ")\n";
        for (const Planner::Drink& d : g.drinks) {
            c.out << "    " << d.name;
            if (!d.standIns.isEmpty())
                c.out << " [" << d.standIns.join(QStringLiteral("; ")) << "]";
            c.out << '\n';
        }
    }
    return Success;
}

int stock(Context& c, Arguments& a)
{
    if (a.empty())
        throw UsageError{QStringLiteral("stock needs \"add\" or \"remove\" and ingredient names.")};
    const QString action = a.take();
    if (action != QLatin1String("add") && action != QLatin1String("remove"))
        throw UsageError{QStringLiteral("stock needs \"add\" or \"remove\", not \"%1\".").arg(action)};
    QStringList wanted;
    while (!a.empty())
        wanted << a.take();
    if (wanted.isEmpty())
        throw UsageError{QStringLiteral("stock %1 needs at least one ingredient name.").arg(action)};
    openDatabase(c.folder);
    QStringList unknown;
    QStringList names;
    for (const QString& name : std::as_const(wanted)) {
        const qint64 id = DBLib::FindIngredientID(name.trimmed());
        if (id < 0)
            unknown << name;
        else
            names << DBLib::GetIngredientName(id);
    }
    if (!unknown.isEmpty()) {
        c.err << QStringLiteral("Not in the ingredient catalogue: %1. Nothing was changed.")
                     .arg(unknown.join(QStringLiteral(", ")))
              << Qt::endl;
        return Failure;
    }
    QStringList inStock = DBLib::IngredientNamesOnList(DBLib::IngredientList::CurrentStock, true);
    const QStringList before = inStock;
    for (const QString& name : std::as_const(names)) {
        if (action == QLatin1String("add")) {
            if (!inStock.contains(name, Qt::CaseInsensitive))
                inStock << name;
        } else {
            inStock.removeIf([&](const QString& s) { return s.compare(name, Qt::CaseInsensitive) == 0; });
        }
    }
    DBLib::SaveCurrentStock(inStock, inStock != before);
    return Success;
}

} // namespace

bool IsConsoleCommand(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--data-dir")) {
            ++i;
            continue;
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h") || a == QLatin1String("--version") ||
            a == QLatin1String("-v") || a == QLatin1String("--report"))
            return true;
        if (!a.startsWith(QLatin1Char('-')))
            return Subcommands.contains(a);
    }
    return false;
}

QString HelpText()
{
    return QStringLiteral(
        "Usage: tumblerix [--data-dir DIR] [FILE...]\n"
        "       tumblerix [--data-dir DIR] COMMAND [ARGUMENTS]\n"
        "\n"
        "Tumblerix keeps your drink recipes and tells you what you can pour. Without a command it\n"
        "opens its window.\n"
        "\n"
        "Options:\n"
        "  --data-dir DIR   keep the recipe database and the other files in DIR (default:\n"
        "                   $TUMBLERIX_DATA_DIR, a database beside the program, or\n"
        "                   ~/.local/share/Brimvale/Tumblerix)\n"
        "  --report         print what the recipe database holds and exit\n"
        "  -h, --help       print this help and exit\n"
        "  -v, --version    print the version and exit\n"
        "\n"
        "Commands:\n"
        "  list [--view all|favorites|stock|nonalcoholic|stock-nonalcoholic]\n"
        "                   the drinks of a view, one name a line, in list order\n"
        "  show NAME [--json]\n"
        "                   the recipe of a drink (the name in any letter case)\n"
        "  plan [--substitutes] [--non-alcoholic] [--top N] [--json]\n"
        "                   what to buy next, and the drinks one or two bottles away\n"
        "  stock add NAME...\n"
        "  stock remove NAME...\n"
        "                   put ingredients in stock or take them out\n"
        "  import FILE|FOLDER...\n"
        "                   add the recipes of Bar Assistant JSON, CSV or drink exchange files\n"
        "                   (folders are searched for .json, .csv and .xml files)\n"
        "  export [--format json|csv|xml] [--drink NAME]... [--output FILE]\n"
        "                   write the named drinks (all without --drink) to FILE or standard output\n"
        "  check            read the whole recipe database and report any damage\n"
        "\n"
        "Exit status: 0 on success, 1 on a failure, 2 on bad usage.\n");
}

int Run(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList rest = arguments.mid(1);
    QStringList global{arguments.value(0)};
    // Options before the command belong to the program; everything after it to the command.
    while (!rest.isEmpty() && rest.first().startsWith(QLatin1Char('-'))) {
        const QString option = rest.takeFirst();
        if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            out << HelpText();
            return Success;
        }
        if (option == QLatin1String("--version") || option == QLatin1String("-v")) {
            out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion() << '\n';
            return Success;
        }
        global << option;
        if (option == QLatin1String("--data-dir")) {
            if (rest.isEmpty()) {
                err << "--data-dir needs a folder." << Qt::endl;
                return BadUsage;
            }
            global << rest.takeFirst();
        } else if (option != QLatin1String("--report") && !option.startsWith(QLatin1String("--data-dir="))) {
            err << "Unknown option " << option << ". See tumblerix --help." << Qt::endl;
            return BadUsage;
        }
    }
    Context c{out, err, DataFolder::choose(global, QCoreApplication::applicationDirPath())};
    // A command that opened the database closes it cleanly, so the next start may skip its check.
    struct Closer
    {
        bool wasOpen = DBLib::IsOpen();
        ~Closer()
        {
            if (!wasOpen && DBLib::IsOpen())
                DBLib::CloseRecipeDatabase();
        }
    } closer;
    try {
        if (global.contains(QStringLiteral("--report")) && rest.isEmpty())
            return report(c);
        if (rest.isEmpty()) {
            err << "No command given. See tumblerix --help." << Qt::endl;
            return BadUsage;
        }
        const QString command = rest.takeFirst();
        Arguments a(rest);
        if (command == QLatin1String("list"))
            return list(c, a);
        if (command == QLatin1String("show"))
            return show(c, a);
        if (command == QLatin1String("plan"))
            return plan(c, a);
        if (command == QLatin1String("stock"))
            return stock(c, a);
        if (command == QLatin1String("import"))
            return importFiles(c, a);
        if (command == QLatin1String("export"))
            return exportFiles(c, a);
        if (command == QLatin1String("check"))
            return check(c, a);
        err << "Unknown command " << command << ". See tumblerix --help." << Qt::endl;
        return BadUsage;
    } catch (const UsageError& e) {
        err << e.message << " See tumblerix --help." << Qt::endl;
        return BadUsage;
    } catch (const std::exception& e) {
        err << DBLib::FailureMessage(QStringLiteral("The command could not be completed."), e) << Qt::endl;
        return Failure;
    }
}

} // namespace CommandLine
