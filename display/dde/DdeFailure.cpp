#include "DdeFailure.h"

#ifndef NOMINMAX
#define NOMINMAX // std::min and std::max, not the macros
#endif
#include <windows.h>

#include <ddeml.h>

#include <cstdio>

namespace dde {

namespace {

const char* describe(unsigned error)
{
    switch (error) {
    case DMLERR_BUSY:
        return "The DDE server is busy";
    case DMLERR_DLL_NOT_INITIALIZED:
        return "The DDE library was not initialized";
    case DMLERR_DLL_USAGE:
        return "The DDE library was used against its instance's role";
    case DMLERR_INVALIDPARAMETER:
        return "A DDE call got an invalid parameter";
    case DMLERR_LOW_MEMORY:
        return "The DDE server fell behind and memory ran low";
    case DMLERR_MEMORY_ERROR:
        return "The DDE library could not allocate memory";
    case DMLERR_NOTPROCESSED:
        return "The DDE server refused the transaction";
    case DMLERR_POSTMSG_FAILED:
        return "The DDE library could not post a message";
    case DMLERR_REENTRANCY:
        return "A DDE transaction was started inside another one";
    case DMLERR_SERVER_DIED:
        return "The DDE server ended the conversation";
    case DMLERR_SYS_ERROR:
        return "The DDE library met an internal error";
    case DMLERR_UNFOUND_QUEUE_ID:
        return "The DDE transaction is unknown";
    default:
        return "DDE error";
    }
}

} // namespace

DdeFailure failureOf(unsigned dmlError, int timeoutMs)
{
    switch (dmlError) {
    case DMLERR_NO_CONV_ESTABLISHED:
        return {NoForeignApplication, "No foreign application responded to a DDE initiate"};
    case DMLERR_ADVACKTIMEOUT:
    case DMLERR_DATAACKTIMEOUT:
    case DMLERR_EXECACKTIMEOUT:
    case DMLERR_POKEACKTIMEOUT:
    case DMLERR_UNADVACKTIMEOUT:
        return {Timeout, "Timeout while waiting for DDE response (" + std::to_string(timeoutMs) + " ms)"};
    case DMLERR_NO_ERROR:
        dmlError = DMLERR_NOTPROCESSED;
        break;
    default:
        break;
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%04X", dmlError);
    return {static_cast<int>(dmlError), std::string(describe(dmlError)) + " (DDE error " + hex + ")"};
}

DdeFailure startFailureOf(unsigned long winError, const std::string& path)
{
    switch (winError) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_NAME:
        return {53, "File not found: " + path};
    case ERROR_ACCESS_DENIED:
        return {70, "Permission denied: " + path};
    default:
        return {75, "Path/File access error: " + path + " (Windows error " + std::to_string(winError) + ")"};
    }
}

} // namespace dde
