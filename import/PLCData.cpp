#include "PLCData.h"

#include "TextFile.h"

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

QString PLCData::unsavable() const {
    const std::pair<const char*, const QString*> fields[] = {
        {"imported file name", &listingFile}, {"PLC name", &name}, {"DDE topic", &topic}};
    for (const auto& [what, text] : fields)
        if (const QString foreign = TextFile::foreignCharacters(*text); !foreign.isEmpty())
            return QStringLiteral("The %1 \"%2\" holds characters that a structure file cannot keep (%3). "
                                  "Nothing was saved.")
                .arg(QLatin1String(what), *text, foreign);
    if (!listingFile.contains(QLatin1Char('.')))
        return QStringLiteral("The imported file name \"%1\" has no extension such as \".csv\", so no "
                              "structure file can be named after it. Nothing was saved.")
            .arg(listingFile);
    return {};
}

bool PLCData::isClean() const {
    return !hasControl(name, false) && !hasControl(type, false) && !hasControl(topic, false) &&
           !hasControl(listingFile, false) && !hasControl(scopeList, true);
}
