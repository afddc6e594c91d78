// Controller replies (EtherNet/IP, CIP, PCCC) through every decoder of the server's drivers.
#include "ReplyDecoders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return DecodeControllerReply(data, size);
}
