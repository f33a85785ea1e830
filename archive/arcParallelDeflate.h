#pragma once
// Deflate of one large entry on several threads. The input is cut into
// blocks of 128 KiB; each block is deflated on its own with the 32 KiB of
// input before it as its dictionary and ended with a sync flush (the last one
// finishes the stream), so that the blocks' outputs, written in order, are one
// raw deflate stream that any reader inflates. The CRC-32 of each block is
// joined with crc32_combine. Memory is bounded by the threads, not the input:
// at most two blocks per thread are in flight.

#include <cstdint>

#include "archive/arcStreams.h"

namespace archive {

// Processors this process may run on (at least 1).
int AvailableThreads();

// Entries of at least this many bytes are worth deflating in blocks.
constexpr int64_t kParallelDeflateMin = 1 << 20;

// As DeflateStream with raw deflate (window bits -15), on Threads threads
// (at least 2). Reads all of Source from its start; writes into Dest at its
// position, encrypted with Context.Cipher when Context.Encrypt; counts the
// input off Context.BytesLeft and reports progress with a stream whose
// position is the input consumed. Answers false when the cancel flag was set
// (the output is then incomplete). A read, write or zlib failure raises.
bool ParallelDeflateStream(TStream32& Source, TStream32& Dest, const TStreamContext& Context, uint32_t& Crc,
                           TDeflateType Level, TStreamProgress Progress, int Threads);

}  // namespace archive
