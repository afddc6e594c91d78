// TagConvert: converts tag exports into structure files without the designer, the same way its import and
// "Save PLC" do, for engineers who convert many exports at once.

#include "Messages.h"
#include "PLCData.h"
#include "Proc500.h"
#include "Progress.h"
#include "SharedVars.h"
#include "TagNodeList.h"
#include "TagRoutines.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTextStream>

namespace {

QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

// Messages of the import and save go to stderr, named after the export they belong to.
class StderrMessages : public Messages::Sink {
public:
    QString file;
    int count = 0;
    void show(const QString& text, Messages::Icon) override {
        ++count;
        err() << "TagConvert: " << file << ": " << text << Qt::endl;
    }
    bool ask(const QString&) override { return false; }
    void beep() override {}
};

// One line per caption; a caption whose bar moves on (saving) also gets a line per quarter.
class StderrProgress : public Progress {
public:
    QString file;
    void caption(const QString& text) override {
        m_caption = text;
        m_quarter = 0;
        m_updates = 0;
        err() << file << ": " << text << Qt::endl;
    }
    void percent(int value) override {
        // The first value after a caption only closes a pipeline step.
        if (++m_updates < 2 || value / 25 <= m_quarter)
            return;
        m_quarter = value / 25;
        err() << file << ": " << m_caption << ' ' << value << '%' << Qt::endl;
    }

private:
    QString m_caption;
    int m_quarter = 0;
    int m_updates = 0;
};

int fail(const QString& text, int code = 1) {
    err() << "TagConvert: " << text << Qt::endl;
    return code;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("TagConvert"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Converts RSLogix500 and RSLogix5000 tag exports (CSV) into structure files (.stc) in "
                       "<folder>/Struct/TStruct/, as importing and saving them in the designer would."));
    parser.addHelpOption();
    const QCommandLineOption folderOption(
        {QStringLiteral("f"), QStringLiteral("folder")},
        QStringLiteral("Application folder (default: this program's folder)."), QStringLiteral("folder"));
    const QCommandLineOption nameOption({QStringLiteral("n"), QStringLiteral("name")},
                                        QStringLiteral("Friendly PLC name (default: the export's file name); "
                                                       "only with a single export."),
                                        QStringLiteral("name"));
    const QCommandLineOption topicOption({QStringLiteral("t"), QStringLiteral("topic")},
                                         QStringLiteral("DDE topic (default: \"No Topic Defined\")."),
                                         QStringLiteral("topic"));
    parser.addOptions({folderOption, nameOption, topicOption});
    parser.addPositionalArgument(QStringLiteral("exports"), QStringLiteral("CSV exports to convert."),
                                 QStringLiteral("export.csv..."));
    parser.process(app);

    const QStringList exports = parser.positionalArguments();
    if (exports.isEmpty())
        return fail(QStringLiteral("no export given; see TagConvert --help"), 2);
    if (parser.isSet(nameOption) && exports.size() > 1)
        return fail(QStringLiteral("--name applies to a single export; convert the others separately"), 2);

    SharedVars::Init_Constants();
    SharedVars::Init_Paths(parser.value(folderOption));
    if (!QFileInfo(SharedVars::TStructFolder).isDir())
        return fail(QStringLiteral("the structure folder %1 does not exist")
                        .arg(QDir::toNativeSeparators(SharedVars::TStructFolder)));

    StderrMessages messages;
    Messages::setSink(&messages);
    StderrProgress progress;
    QSet<QString> written;
    int status = 0;
    for (const QString& path : exports) {
        messages.file = progress.file = QFileInfo(path).fileName();
        messages.count = 0;
        if (!QFileInfo(path).isFile() || !QFileInfo(path).isReadable()) {
            status = fail(path + QStringLiteral(": cannot read the export"));
            continue;
        }
        TagNodeList tree;
        const ImportOutcome outcome = Proc500::Import_Listing(path, tree, &progress);
        if (outcome.refused) {
            status = fail(path + QStringLiteral(": not converted"));
            continue;
        }
        if (outcome.failed) {
            status =
                fail(path + QStringLiteral(": not converted, the import could not read or write its files"));
            continue;
        }
        if (!TagRoutines::HasTags(tree)) {
            status = fail(path + QStringLiteral(": not converted, no tags found (is it an RSLogix500 or "
                                                "RSLogix5000 tag export?)"));
            continue;
        }
        if (parser.isSet(nameOption))
            PLCRecord.name = parser.value(nameOption);
        if (parser.isSet(topicOption))
            PLCRecord.topic = parser.value(topicOption);
        const QString target = TagRoutines::StructureFile(PLCRecord);
        if (written.contains(target)) {
            status = fail(path + QStringLiteral(": not converted, an earlier export of this run was already "
                                                "written to %1")
                                     .arg(QDir::toNativeSeparators(target)));
            continue;
        }
        if (!TagRoutines::Save_Tags(tree, &progress)) {
            status = fail(path + QStringLiteral(": not converted, no structure file was written"));
            continue;
        }
        written.insert(target);
        QTextStream(stdout) << QDir::toNativeSeparators(target) << Qt::endl;
        int roots = 0;
        for (int i = 1; i <= tree.count(); ++i)
            roots += tree.parent(i) == 0;
        err() << "TagConvert: " << path << ": " << tree.count() - roots << " tag nodes written to "
              << QDir::toNativeSeparators(target)
              << (messages.count ? QStringLiteral(" (with the warnings above)") : QString()) << Qt::endl;
    }
    Messages::setSink(nullptr);
    return status;
}
