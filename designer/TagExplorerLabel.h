#pragma once

#include <QString>

// How a row of the tag grid is labelled on a page. The grid's DESCRIPTION of an RSLogix5000 tag is its
// data type, which tells an operator nothing on its own.
namespace TagExplorerLabel {

// An RSLogix5000 tag (a name without a member path) becomes "Name (TYPE)"; members and RSLogix500 rows carry
// real descriptions and keep them.
QString Page_Description(const QString& plcType, const QString& specifier, const QString& detail);

// BOOL tags and RSLogix500 bit addresses ("B3:0/1", "I:1/0", "T4:0/DN") show as check boxes.
bool Is_Bool(const QString& plcType, const QString& specifier, const QString& detail);

} // namespace TagExplorerLabel
