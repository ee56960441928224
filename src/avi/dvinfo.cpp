#include "avi/dvinfo.h"

#include "dv/dvcodes.h"

namespace {

quint32 packWord(const quint8 *pc1)
{
    return le::u32(pc1);
}

quint32 audioWord(const quint8 *frame, int first, int count, quint8 id)
{
    quint8 block[dif::BlockSize];
    if (count <= 0 || !FindAudioBlock(frame + dif::SequenceOffset(first), count, id, block))
        return 0;
    return packWord(block + 4);
}

quint32 videoWord(const quint8 *frame, int count, quint8 id)
{
    quint8 pack[dif::PackSize];
    return FindPack(frame, count, id, pack) ? packWord(pack + 1) : 0;
}

} // namespace

TDvInfo DvInfoFromFrame(const quint8 *frame, int count)
{
    const int half = count / 2;
    TDvInfo info;
    info.aauxSrc = audioWord(frame, 0, half, dvpack::AauxSource);
    info.aauxCtl = audioWord(frame, 0, half, dvpack::AauxSourceControl);
    info.aauxSrc1 = audioWord(frame, half, count - half, dvpack::AauxSource);
    info.aauxCtl1 = audioWord(frame, half, count - half, dvpack::AauxSourceControl);
    info.vauxSrc = videoWord(frame, count, dvpack::VauxSource);
    info.vauxCtl = videoWord(frame, count, dvpack::VauxSourceControl);
    return info;
}
