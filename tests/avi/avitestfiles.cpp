#include "avitestfiles.h"

#include "avi/dvinfo.h"
#include "dv/difframe.h"

namespace avitest {

QByteArray MakeDvFrame(TAviDvSystem system, quint32 number)
{
    const bool pal = system == TAviDvSystem::Pal;
    QByteArray frame = MakeBlankDifFrame(pal);
    TCamcorderPacks packs;
    packs.timecode.frames = quint8(number % 25);
    packs.timecode.seconds = quint8(number / 25 % 60);
    packs.timecode.minutes = quint8(number / (25 * 60) % 60);
    packs.timecode.hours = quint8(number / (25 * 3600) % 24);
    StampCamcorderPacks(reinterpret_cast<quint8 *>(frame.data()), pal ? dif::Sequences625 : dif::Sequences525, packs);
    return frame;
}

TDvInfo MakeDvInfo(TAviDvSystem system)
{
    const QByteArray frame = MakeDvFrame(system, 0);
    return DvInfoFromFrame(reinterpret_cast<const quint8 *>(frame.constData()),
                           system == TAviDvSystem::Pal ? dif::Sequences625 : dif::Sequences525);
}

QByteArray Payload(int stream, quint32 number, quint32 size)
{
    QByteArray data(qsizetype(size), '\0');
    for (quint32 i = 0; i < size; ++i)
        data[qsizetype(i)] = char((i * 7 + number * 13 + quint32(stream) * 101) & 0xFF);
    if (size >= 8) {
        le::put32(reinterpret_cast<quint8 *>(data.data()), quint32(stream));
        le::put32(reinterpret_cast<quint8 *>(data.data()) + 4, number);
    }
    return data;
}

} // namespace avitest
