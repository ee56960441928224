#pragma once

// Reads back files that were written (by the AVI writer or by a test): the
// chunks of a RIFF tree and the bytes at an offset.
//
//     const auto idx1 = riff::Find(file, {"AVI ", "idx1"});
//     for (const riff::TFoundChunk &c : riff::Children(file, list.data + 4, list.data + list.size))

#include "avi/avilayout.h"
#include "avi/bytesource.h"

#include <QByteArray>
#include <QStringList>

#include <optional>
#include <vector>

namespace riff {

// One chunk found in a file: where its data lies, its ID and list/form type.
struct TFoundChunk
{
    qint64 data = -1; // offset of the data (of the list type for RIFF and LIST)
    quint32 size = 0; // size as declared in the chunk header
    TFourcc id = 0;
    TFourcc type = 0; // list/form type of a RIFF or LIST chunk, else 0
};

// Chunks directly inside [begin, end) of file, in order; stops at the first
// header that does not fit.
std::vector<TFoundChunk> Children(const TByteSource &file, qint64 begin, qint64 end);

// Follows a path of IDs from the top of the file, each step looking among the
// children of the previous one; RIFF and LIST chunks match on their type.
// Returns the first chunk matching the last step, nothing when a step fails.
std::optional<TFoundChunk> Find(const TByteSource &file, const QStringList &path);

// size bytes at offset of src; empty when fewer are there.
QByteArray ReadBack(const TByteSource &src, qint64 offset, quint32 size);

} // namespace riff
