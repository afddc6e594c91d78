// For a site's engineer: makes the site key, and prints the logon password for today or for given dates.
#include "Password.h"
#include "SiteKey.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace {

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

int fail(const QString& text, int code = 1)
{
    err() << "DayPassword: " << text << Qt::endl;
    return code;
}

int newSiteKey(const QString& folder)
{
    const auto created = SiteKey::Create(folder);
    if (!created)
        return fail(created.error().description);
    out() << QDir::toNativeSeparators(*created) << Qt::endl;
    return 0;
}

int printPasswords(const QString& folder, const QStringList& dates)
{
    const auto key = SiteKey::Read(folder);
    if (!key)
        return fail(key.error().description + QStringLiteral(" (make one with --new-site-key)"));
    if (dates.isEmpty()) {
        out() << ExpectedPassword(*key, QDate::currentDate()) << Qt::endl;
        return 0;
    }
    int status = 0;
    for (const QString& text : dates) {
        const QDate date = QDate::fromString(text, Qt::ISODate);
        if (!date.isValid()) {
            status = fail(QStringLiteral("not a date (YYYY-MM-DD): ") + text, 2);
            continue;
        }
        out() << date.toString(Qt::ISODate) << ' ' << ExpectedPassword(*key, date) << Qt::endl;
    }
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("DayPassword"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the viewer's logon password of today, or of the dates given, from the site key "
                       "\"%1\" in the folder. Every viewer of the site needs a copy of that file beside it.")
            .arg(QString::fromLatin1(SiteKey::FileName)));
    parser.addHelpOption();
    const QCommandLineOption folderOption({QStringLiteral("f"), QStringLiteral("folder")},
                                          QStringLiteral("Folder of the site key (default: the current folder)."),
                                          QStringLiteral("folder"), QStringLiteral("."));
    const QCommandLineOption newKeyOption(
        QStringLiteral("new-site-key"),
        QStringLiteral("Makes a new site key in the folder, readable by its owner only. An existing key is kept."));
    parser.addOption(folderOption);
    parser.addOption(newKeyOption);
    parser.addPositionalArgument(QStringLiteral("dates"), QStringLiteral("Dates as YYYY-MM-DD."), QStringLiteral("[dates...]"));
    parser.process(app);

    const QString folder = parser.value(folderOption);
    if (parser.isSet(newKeyOption))
        return parser.positionalArguments().isEmpty() ? newSiteKey(folder)
                                                      : fail(QStringLiteral("--new-site-key takes no dates"), 2);
    return printPasswords(folder, parser.positionalArguments());
}
