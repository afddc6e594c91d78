#pragma once

class THMIUtil;

// The "PLC Information" frame of the utility window, asking for the friendly name and DDE topic of the
// controller just imported (PLCRecord) before its tags are saved.
namespace PLCInformation {

// Opens the utility window on frame 1: caption "Please enter Data for " and the name; the boxes show name,
// PLC type, "No Topic Defined" and listing file. Type and listing file are shown read-only: they are not
// taken over.
void Prepare_PLC_Information(THMIUtil& util);

// Takes a non-empty name and DDE topic into PLCRecord (control characters become spaces, ends trimmed) and
// closes the utility window.
void Save_PLC_Information(THMIUtil& util);

} // namespace PLCInformation
