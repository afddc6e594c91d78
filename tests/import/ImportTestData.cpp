#include "ImportTestData.h"

#include "SharedVars.h"

#include <QDir>

#include <gtest/gtest.h>

namespace ImportTestData {

QByteArray rslogix500() {
    return "\"Address\",\"Symbol\",\"Scope\",\"Description\",\"\",\"\",\"\",\"\"\r\n"
           "address list of Line 1\r\n"
           "\r\n"
           "B3:0/0,,START,\"Start\",\"button\",\"\",\"\",\"\"\r\n"
           "B3:0/1,,STOP,\"Stop, \"\"red\"\"\",\"\",\"\",\"\",\"\"\r\n"
           "N7:0,,,\"Speed\",\"set point\",\"\",\"\",\"\"\r\n"
           "T4:0.ACC,,,\"Fill timer\",\"\",\"\",\"\",\"\"\r\n"
           "I:0.0/0,,,\"\",\"\",\"\",\"\",\"\"\r\n"
           "S2:1/15,,,\"First scan\",\"\",\"\",\"\",\"\"\r\n"
           "Q9:3,,,\"Queue\",\"\",\"\",\"\",\"\"\r\n";
}

QByteArray rslogix5000() {
    return "remark,\"CSV-Import-Export\"\r\n"
           "remark,\"Date = Mon Jan 06 10:00:00 2025\"\r\n"
           "0.3\r\n"
           "TYPE,SCOPE,NAME,DESCRIPTION,DATATYPE,SPECIFIER,ATTRIBUTES\r\n"
           "TAG,,Motor,\"Main drive, left\",\"MOTOR_T\",\"\",\"(RADIX := Decimal)\"\r\n"
           "COMMENT,,Motor,\"Drive on\",\"MOTOR_T\",\"Motor\"\r\n"
           "COMMENT,,Motor,\"Status word\",\"MOTOR_T\",\"Motor.Status\"\r\n"
           "COMMENT,,Motor,\"$Qhot$Q  water\",\"MOTOR_T\",\"Motor.Status.3\"\r\n"
           "COMMENT,,Motor,\"Overload\",\"MOTOR_T\",\"Motor.Status.4\"\r\n"
           "TAG,MainProgram,Rack,\"\",\"RACK_T[4]\",\"\",\"\"\r\n"
           "COMMENT,MainProgram,Rack,\"Speed of two\",\"RACK_T[4]\",\"Rack[2].Speed\"\r\n"
           "TAG,,Level,\"\",\"REAL\",\"\",\"\"\r\n";
}

QStringList dump(const NodeCollection& tree) {
    QStringList out;
    for (int i = 1; i <= tree.count(); ++i)
        out << QStringList{tree.parentKey(i), tree.key(i), tree.text(i), tree.tag(i), tree.image(i)}.join(
            '|');
    return out;
}

int nodeWithText(const NodeCollection& tree, const QString& text) {
    for (int i = 1; i <= tree.count(); ++i)
        if (tree.text(i) == text)
            return i;
    ADD_FAILURE() << "no node " << text.toStdString();
    return 0;
}

QStringList stagedLeft() {
    return QDir(SharedVars::TStructFolder)
        .entryList({"Step_*.txt", "Result.txt", "Import-*"}, QDir::Files | QDir::Dirs | QDir::Hidden);
}

} // namespace ImportTestData
