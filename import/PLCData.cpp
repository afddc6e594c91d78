#include "PLCData.h"

PLCData PLCRecord;
PLCData LoadedPLC;
PLCData SelectedPLC;

namespace {

bool hasControl(const QString& text, bool tabAllowed) {
    for (const QChar c : text)
        if (c.unicode() < 32 && !(tabAllowed && c == QLatin1Char('\t')))
            return true;
    return false;
}

} // namespace

bool PLCData::isClean() const {
    return !hasControl(name, false) && !hasControl(type, false) && !hasControl(topic, false) &&
           !hasControl(listingFile, false) && !hasControl(scopeList, true);
}
