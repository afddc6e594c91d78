#include "PLCData.h"

PLCData PLCRecord;
PLCData LoadedPLC;
