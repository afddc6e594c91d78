#pragma once

#include <QString>

// An item a topic serves: a data-table address ("N7:0", "B3:0/1", "T4:0.ACC", "I:1/0") or a tag
// ("Tank_Level", "Program:MainProgram.Pump_Speed", "Recipe[3].Temp", "Flags.5").
struct ItemAddress {
    // What a value written to the item must look like.
    enum class Kind { Int16, Int32, Bit, Float, Number, Text };

    bool valid = false;
    // A data-table address rather than a tag: "N7" is a tag, "N7:0" an address.
    bool table = false;
    Kind kind = Kind::Number;
    // Upper-case normal form; two spellings of one address ("n7:00", "N7:0") share it.
    QString canonical;
    // Why the item was refused, for the "Server error" text.
    QString error;

    static ItemAddress parse(const QString& item);

    // The stored form of a written value, or an empty optional-like failure: ok false and a reason.
    struct Normalized {
        bool ok = false;
        QString value;
        QString error;
    };
    Normalized normalize(const QString& value) const;

    // Value of an item nobody has written yet.
    QString initialValue() const { return kind == Kind::Text ? QString() : QStringLiteral("0"); }
};
