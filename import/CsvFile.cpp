#include "CsvFile.h"

#include "LineBytes.h"
#include "Messages.h"
#include "TextFile.h"

#include <QFile>

namespace FileIO {

namespace {

const QString ConvertName = QStringLiteral("Convert_CSV_to_TXT");

} // namespace

Status Convert_CSV_to_TXT(const QString& inputPath, const QString& outputPath) {
    QFile in(inputPath);
    if (!in.open(QIODevice::ReadOnly)) {
        const RunError error = TextFile::openError(inputPath);
        Messages::reportFile(ConvertName, error);
        return error;
    }
    const QByteArray bytes = in.readAll();
    in.close();

    const Status written = TextFile::writeBytes(outputPath, Csv::toFieldLines(bytes));
    if (!written)
        Messages::reportFile(ConvertName, written.error());
    return written;
}

QString Get_File_Name(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return path.mid(cut + 1);
}

} // namespace FileIO

namespace Csv {

QByteArray toFieldLines(QByteArrayView bytes) {
    QByteArray out;
    out.reserve(bytes.size() + bytes.size() / 4 + 16);
    LineBytes::forEachLine(bytes, [&](QByteArrayView line) {
        bool quoted = false;
        for (const char c : line) {
            if (c == '"')
                quoted = !quoted;
            else if (c == ',' && !quoted)
                out.append('\t');
            else
                out.append(c == '\t' ? ' ' : c);
        }
        out.append("\t\r\n", 3);
    });
    return out;
}

} // namespace Csv
