#include "CsvFile.h"

#include "LineBytes.h"
#include "Messages.h"
#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

    QFile out(outputPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        const RunError error = RunError::of(QFileInfo(outputPath).dir().exists() ? ErrNo::PermissionDenied
                                                                                 : ErrNo::PathNotFound);
        Messages::reportFile(ConvertName, error);
        return error;
    }
    const QByteArray converted = Csv::toFieldLines(bytes);
    if (out.write(converted) != converted.size() || !out.flush()) {
        const RunError error = RunError::of(ErrNo::PathFileAccess);
        Messages::reportFile(ConvertName, error);
        return error;
    }
    return {};
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
