#pragma once

#include "PLCData.h"
#include "RunError.h"

#include <QString>

class NodeCollection;
class Progress;

namespace TagRoutines {

// The structure file of a record: its listing file up to the first ".", then ".stc", in the structure folder.
// Empty when that name would not be a plain file name.
QString StructureFile(const PLCData& record);

// True when the tree holds a node below its roots: an import that found no tags still has its roots.
bool HasTags(const NodeCollection& tree);

// Writes PLCRecord and every node of the tree (parent key, key, text, tag) as the structure file, replacing
// an earlier one whole. Refuses, with "Error in user data save aborted.", a record with an empty field;
// with a message naming what is wrong, a record the PLC list could not find again (PLCData::unsavable), a
// listing file that names no structure file, and a tree without tags. Nothing is written then.
Status Save_Tags(const NodeCollection& tree, Progress* progress = nullptr);

} // namespace TagRoutines
