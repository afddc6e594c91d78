#pragma once

#include "PLCData.h"
#include "RunError.h"

#include <QString>

#include <array>

class NodeCollection;

// The PLC list: one node per structure file, built from the files' five-line headers, and the rewrite of
// one file's header.
namespace PLCLoader {

// The header of the file being listed; emptied once the list is built.
extern std::array<QString, 5> ListingHeader;
// Structure files listed in the current fill.
extern qint16 PLCListCount;

inline const QString ListPattern = QStringLiteral("*.Stc");

// The structure file of a listing file: its name up to the first "." (the whole name when there is none)
// and ".stc", in the structure folder. A name that could lead outside that folder (a separator, "..", a
// drive, a control character), that Windows reserves (a device such as CON, a trailing dot or space) or
// that leaves nothing before its "." is refused with BadFileName. On a
// case-sensitive file system an existing file whose name differs only in case is found.
Result<QString> StructureFileOf(const QString& listingFile);

// Empties the tree, adds the roots "RSLogix5000" and "RSLogix500", then one node per structure file matching
// pattern, in name order without regard to case. Files whose header is short, binary, damaged or names an
// unknown PLC type are skipped. Returns the number of nodes listed.
int Load_PLC_List(NodeCollection& tree, const QString& pattern = ListPattern);

// Reads the first five lines of a file in the structure folder into ListingHeader. Fails for an unreadable
// file, fewer than five lines, or a header that is binary or damaged (no node could be built from it).
Status Read_PLC_Header(const QString& fileName);

// Adds the node for ListingHeader under the root keyed by its PLC type: key PLCListCount followed by the
// name, text the name, tag the five fields joined by TAB. Fails without a node for an unknown type.
Status Add_PLC_Node(NodeCollection& tree);

// Replaces the header of a structure file with LoadedPLC and keeps its node lines. A file whose PLC type or
// listing file differ from LoadedPLC's belongs to another controller and is left alone, as is a record the
// file could not keep (PLCData::unsavable); both with a message. The new file is written
// beside the old one and renamed over it, so any failure leaves the old file whole; the failure is shown
// as "UpdateFile: description number".
Status UpdateFile(const QString& path);

} // namespace PLCLoader
