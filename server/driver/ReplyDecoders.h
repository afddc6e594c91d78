#pragma once

#include <cstddef>
#include <cstdint>

// Hands the bytes to every decoder of controller replies, as a fuzz target does; returns 0.
int DecodeControllerReply(const uint8_t* data, size_t size);
