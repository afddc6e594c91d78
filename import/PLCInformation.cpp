#include "PLCInformation.h"

#include "PLCData.h"
#include "THMIUtil.h"

#include <QLineEdit>

namespace PLCInformation {

namespace {

enum Box { NameBox = 0, TypeBox = 1, TopicBox = 2, ListingBox = 3 };

// A TAB or line break would split the structure file's header or the PLC list's node tag.
QString cleaned(QString text) {
    for (QChar& c : text)
        if (c.unicode() < 32)
            c = QLatin1Char(' ');
    return text.trimmed();
}

} // namespace

void Prepare_PLC_Information(THMIUtil& util) {
    util.Show_Function(THMIUtil::PLCFrame);
    util.setWindowTitle(QStringLiteral("Please enter Data for ") + PLCRecord.name);
    util.PLCDataIn(NameBox)->setText(PLCRecord.name);
    util.PLCDataIn(TypeBox)->setText(PLCRecord.type);
    util.PLCDataIn(TopicBox)->setText(PLCTypes::NoTopic);
    util.PLCDataIn(ListingBox)->setText(PLCRecord.listingFile);
    util.PLCDataIn(TypeBox)->setReadOnly(true);
    util.PLCDataIn(ListingBox)->setReadOnly(true);
    util.PLCDataIn(NameBox)->selectAll();
    util.PLCDataIn(NameBox)->setFocus();
}

void Save_PLC_Information(THMIUtil& util) {
    if (const QString name = cleaned(util.PLCDataIn(NameBox)->text()); !name.isEmpty())
        PLCRecord.name = name;
    if (const QString topic = cleaned(util.PLCDataIn(TopicBox)->text()); !topic.isEmpty())
        PLCRecord.topic = topic;
    util.close();
}

} // namespace PLCInformation
