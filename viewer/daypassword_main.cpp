// Prints the viewer's logon password for today or for the dates given as YYYY-MM-DD.
#include "Password.h"

#include <QTextStream>

int main(int argc, char* argv[])
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (argc < 2) {
        out << ExpectedPassword(QDate::currentDate()) << '\n';
        return 0;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        const QDate date = QDate::fromString(QString::fromLocal8Bit(argv[i]), Qt::ISODate);
        if (!date.isValid()) {
            err << "Not a date (YYYY-MM-DD): " << argv[i] << '\n';
            status = 2;
            continue;
        }
        out << date.toString(Qt::ISODate) << ' ' << ExpectedPassword(date) << '\n';
    }
    return status;
}
